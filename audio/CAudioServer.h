#pragma once

#include "audio/CAudioMixer.h"
#include "audio/CEventSocketServer.h"
#include "audio/CLevelMeter.h"
#include "platform/Window.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <netinet/in.h>
#include <thread>

namespace ovento {

// The recording state word, written by the controller and read by the receive threads.
constexpr int REC_STATE_RECORDING = 256;
constexpr int REC_STATE_PAUSED = 257;
constexpr int REC_STATE_RESUMED = 258;
constexpr int REC_STATE_STOPPED = 259;
constexpr int REC_STATE_IDLE = 260;

// Receives the two audio streams of a call on 127.0.0.1 (the remote side on one port, my
// side on the other), each on its own thread, hands their blocks to the mixer while a
// recording runs and posts the level of each side to the main window.
class CAudioServer
{
public:
    static constexpr std::uint16_t kMySidePort = 58377;
    static constexpr std::uint16_t kRemoteSidePort = 58376;
    // The longest file name, ".mp3" included, that a recording takes.
    static constexpr int kMaxFileNameLength = 519;

    // The process-wide server on the program's ports; created on the first call.
    static CAudioServer* GetInstance();
    // Closes the ports, ends the threads, closes an open recording and deletes the instance.
    static void DestroyInstance();

    // A server on other ports (0 lets the system choose one), for tests and tools.
    explicit CAudioServer(std::uint16_t mySidePort = kMySidePort,
                          std::uint16_t remoteSidePort = kRemoteSidePort);
    ~CAudioServer();
    CAudioServer(const CAudioServer&) = delete;
    CAudioServer& operator=(const CAudioServer&) = delete;

    // Open a port and start its receive thread; a port that cannot be opened is reported in
    // a message box and stays closed.
    bool StartMySidePort();
    bool StartRemoteSidePort();

    // Opens the recording "<path>.mp3" unless one is in progress. mode: 0 mono, 1 stereo,
    // 2 joint stereo; sampleRate in Hz, bitRate in kbit/s.
    void StartRecording(const QString& path, int sampleRate, int bitRate, int mode);

    CAudioMixer* GetMixer() const { return m_pMixer.get(); }
    std::uint16_t MySideListeningPort() const { return m_mySide.listener.ListeningPort(); }
    std::uint16_t RemoteSideListeningPort() const { return m_remoteSide.listener.ListeningPort(); }
    // Connections open on both ports together.
    int ConnectionCount() const;

    std::atomic<int> m_state = REC_STATE_IDLE;
    std::atomic<HWND> m_hNotifyWnd = nullptr;

private:
    using BlockEntry = bool (CAudioMixer::*)(const CBuffer&);

    struct Port
    {
        Port(std::uint16_t portNumber, UINT message, BlockEntry entry, const char* name)
            : number(portNumber), levelMessage(message), mixerEntry(entry), threadName(name)
        {}

        const std::uint16_t number;
        const UINT levelMessage;
        const BlockEntry mixerEntry;
        const char* const threadName;
        CEventSocketServer listener{CAudioMixer::kBlockBytes};
        std::thread thread;
        bool started = false;
        // Touched by the port's thread only.
        CLevelMeter meter;
        std::uint64_t streamConnection = 0;
    };

    bool StartPort(Port& port);
    void ReceiveLoop(Port& port);
    void HandleReceived(Port& port, const SocketPollOutput& output, std::uint8_t* bytes);
    void HandleBlock(Port& port, const CBuffer& block);

    const in_addr_t m_listenAddress;
    Port m_mySide;
    Port m_remoteSide;
    std::unique_ptr<CAudioMixer> m_pMixer;
};

} // namespace ovento
