#include "CAudioServer.h"

#include "platform/MessageBox.h"
#include "platform/SocketError.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <new>
#include <pthread.h>

namespace ovento {
namespace {

CAudioServer* g_instance = nullptr;

constexpr int kReceiveBufferSize = 1024;

bool IsRecordingState(int state)
{
    return state == REC_STATE_RECORDING || state == REC_STATE_RESUMED;
}

bool IsInProgressState(int state)
{
    return IsRecordingState(state) || state == REC_STATE_PAUSED;
}

// A pass whose error closed only the connection it came from leaves the port serving the
// others; the port itself ends only when it has no socket left or fails as a whole.
bool KeepsServing(int result, const SocketPollOutput& output)
{
    switch (result) {
    case kSocketOk:
    case kSocketWouldBlock:
    case kSocketConnectionAborted:
    case kSocketConnectionReset:
    case kSocketConnectionRefused:
        return true;
    case kSocketNotConnected:
        return false;
    default:
        return output.connectionClosed;
    }
}

void ShowPortFailure(std::uint16_t port)
{
    MessageBox(nullptr,
               QStringLiteral("Create socket failed! Please make sure your firewall/anti-virus "
                              "software does NOT block the port '%1'!")
                   .arg(port),
               QStringLiteral("Ovento Recorder"), MessageBoxIcon::Information);
}

} // namespace

CAudioServer* CAudioServer::GetInstance()
{
    if (!g_instance)
        g_instance = new (std::nothrow) CAudioServer();
    return g_instance;
}

void CAudioServer::DestroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

CAudioServer::CAudioServer(std::uint16_t mySidePort, std::uint16_t remoteSidePort)
    : m_listenAddress(htonl(INADDR_LOOPBACK)),
      m_mySide(mySidePort, WM_AUDIO_LEVEL_MINE, &CAudioMixer::OnMySideBlock, "ovento-mine"),
      m_remoteSide(remoteSidePort, WM_AUDIO_LEVEL_REMOTE, &CAudioMixer::OnRemoteSideBlock,
                   "ovento-remote"),
      m_pMixer(std::make_unique<CAudioMixer>())
{}

CAudioServer::~CAudioServer()
{
    for (Port* port : {&m_mySide, &m_remoteSide})
        if (port->listener.SocketCount() > 0)
            port->listener.CloseAll();
    // Each thread ends by itself once its port is closed; the mixer goes only after both
    // have, so no block can reach it while it is being deleted.
    for (Port* port : {&m_remoteSide, &m_mySide})
        if (port->thread.joinable())
            port->thread.join();
    m_pMixer.reset();
}

bool CAudioServer::StartMySidePort()
{
    return StartPort(m_mySide);
}

bool CAudioServer::StartRemoteSidePort()
{
    return StartPort(m_remoteSide);
}

bool CAudioServer::StartPort(Port& port)
{
    if (port.started && port.listener.SocketCount() > 0)
        port.listener.CloseAll();
    if (port.listener.SocketCount() > 0)
        return false;
    // A thread of an earlier start has nothing left to serve and ends at once; it must be
    // gone before the new listening socket appears.
    if (port.thread.joinable())
        port.thread.join();
    if (port.listener.Listen(m_listenAddress, port.number) != 0) {
        ShowPortFailure(port.number);
        port.listener.CloseAll();
        return false;
    }
    port.thread = std::thread(&CAudioServer::ReceiveLoop, this, std::ref(port));
    port.started = true;
    return true;
}

void CAudioServer::StartRecording(const QString& path, int sampleRate, int bitRate, int mode)
{
    if (IsInProgressState(m_state.load(std::memory_order_relaxed)))
        return;
    QString fileName = path + QStringLiteral(".mp3");
    // A name that does not fit is refused as no name at all (the mixer reports it).
    if (fileName.size() > kMaxFileNameLength)
        fileName.clear();
    m_pMixer->Open(mode, fileName, sampleRate, bitRate);
}

int CAudioServer::ConnectionCount() const
{
    int connections = 0;
    for (const Port* port : {&m_mySide, &m_remoteSide})
        connections += std::max(port->listener.SocketCount() - 1, 0);
    return connections;
}

void CAudioServer::ReceiveLoop(Port& port)
{
    pthread_setname_np(pthread_self(), port.threadName);
    std::array<std::uint8_t, kReceiveBufferSize> buffer;
    for (;;) {
        SocketPollOutput output;
        const int result = port.listener.Poll(buffer, output);
        if (result == kSocketWaitTimeout)
            continue;
        // Data that came together with an error is still handled.
        if (output.networkEvents & FD_READ)
            HandleReceived(port, output, buffer.data());
        if (output.connectionClosed && output.connection == port.streamConnection)
            port.streamConnection = 0;
        if (!KeepsServing(result, output))
            break;
    }
    if (port.listener.SocketCount() > 0)
        port.listener.CloseAll();
}

// One connection per port carries the call's audio: the first to deliver a whole block, until
// it closes. Blocks of any other connection on the port are read and dropped, so a stray or
// hostile connection can neither interleave with the call's stream nor move the meter.
void CAudioServer::HandleReceived(Port& port, const SocketPollOutput& output, std::uint8_t* bytes)
{
    if (output.bytesReceived == 0)
        return;
    if (port.streamConnection == 0)
        port.streamConnection = output.connection;
    if (output.connection != port.streamConnection)
        return;
    for (int offset = 0; offset < output.bytesReceived; offset += CAudioMixer::kBlockBytes)
        HandleBlock(port, CBuffer(bytes + offset, CAudioMixer::kBlockBytes));
}

void CAudioServer::HandleBlock(Port& port, const CBuffer& block)
{
    if (IsRecordingState(m_state.load(std::memory_order_relaxed)))
        (m_pMixer.get()->*port.mixerEntry)(block);
    if (const std::optional<int> level = port.meter.OnBlock(block)) {
        if (HWND window = m_hNotifyWnd.load(std::memory_order_relaxed))
            PostMessage(window, port.levelMessage, WPARAM(*level), 0);
    }
}

} // namespace ovento
