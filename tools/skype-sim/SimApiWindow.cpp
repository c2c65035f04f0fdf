#include "SimApiWindow.h"

#include "platform/RegisteredMessages.h"

#include <algorithm>
#include <cstring>

namespace ovento::sim {
namespace {
constexpr LPARAM kApiAvailable = 0x8001;
constexpr long long kAttachSuccess = 0;
const QString kObjectPath = QStringLiteral("/SkypeAPI");
} // namespace

SimApiWindow::SimApiWindow(SimAnswers& answers, SimLog& log, std::optional<long long> attachStatus)
    : m_answers(answers), m_log(log), m_attachStatus(attachStatus),
      m_uAttachMsg(RegisterWindowMessage(QStringLiteral("SkypeControlAPIAttach"))),
      m_uDiscoverMsg(RegisterWindowMessage(QStringLiteral("SkypeControlAPIDiscover"))),
      m_uFlushMsg(RegisterWindowMessage(QStringLiteral("SkypeSimFlush"))),
      m_window(kObjectPath, [this](UINT message, WPARAM wParam, LPARAM lParam) {
          return WindowProc(message, wParam, lParam);
      })
{}

SimApiWindow::~SimApiWindow()
{
    if (m_flusher.joinable())
        m_flusher.join();
}

void SimApiWindow::Announce()
{
    SendNotifyMessage(HWND_BROADCAST, m_uAttachMsg, WPARAM(Handle()), kApiAvailable);
}

void SimApiWindow::SetListeners(CommandListener onCommand, AttachListener onAttach)
{
    m_onCommand = std::move(onCommand);
    m_onAttach = std::move(onAttach);
}

void SimApiWindow::Notify(const QString& text)
{
    for (BusHandle client : m_attachedClients)
        Queue(client, text);
}

void SimApiWindow::Flush(std::function<void()> done)
{
    // Behind the deliveries queued so far: once each client has answered a message sent after
    // them, the bus has passed them all on.
    const auto roundTrips = [this, done = std::move(done)] {
        if (m_flusher.joinable())
            m_flusher.join();
        m_flusher = std::thread([this, clients = m_attachedClients, done] {
            for (BusHandle client : clients)
                SendMessage(client, m_uFlushMsg, WPARAM(Handle()), 0);
            QMetaObject::invokeMethod(&m_deliveryAnchor, done, Qt::QueuedConnection);
        });
    };
    QMetaObject::invokeMethod(&m_deliveryAnchor, roundTrips, Qt::QueuedConnection);
}

LRESULT SimApiWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == m_uDiscoverMsg) {
        OnDiscover(BusHandle(wParam));
        return 1;
    }
    if (message == WM_COPYDATA) {
        OnCommand(BusHandle(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return 1;
    }
    return 0;
}

void SimApiWindow::OnDiscover(BusHandle client)
{
    if (!m_attachStatus || client == Handle())
        return;
    m_log.Line(QStringLiteral("attach"),
               QStringLiteral("%1 %2").arg(BusHandleText(client)).arg(*m_attachStatus));
    SendNotifyMessage(client, m_uAttachMsg, WPARAM(Handle()), LPARAM(*m_attachStatus));
    if (*m_attachStatus != kAttachSuccess)
        return;
    if (std::find(m_attachedClients.begin(), m_attachedClients.end(), client) ==
        m_attachedClients.end())
        m_attachedClients.push_back(client);
    if (m_onAttach)
        m_onAttach();
}

void SimApiWindow::OnCommand(BusHandle client, const COPYDATASTRUCT& copy)
{
    const char* bytes = static_cast<const char*>(copy.lpData);
    const void* nul = std::memchr(bytes, 0, copy.cbData);
    const qsizetype length = nul ? static_cast<const char*>(nul) - bytes : qsizetype(copy.cbData);
    const QString command = QString::fromUtf8(bytes, length);
    m_log.Line(QStringLiteral("recv"), command);
    for (const QString& text : m_answers.Answer(command))
        Queue(client, text);
    if (m_onCommand)
        m_onCommand(command);
}

void SimApiWindow::Queue(BusHandle client, const QString& text)
{
    m_pending.push_back({client, text});
    // Texts leave after the command's own Send has been answered, never from inside it.
    QMetaObject::invokeMethod(
        &m_deliveryAnchor, [this] { DeliverPending(); }, Qt::QueuedConnection);
}

void SimApiWindow::DeliverPending()
{
    while (!m_pending.empty()) {
        const Delivery delivery = m_pending.front();
        m_pending.pop_front();
        m_log.Line(QStringLiteral("send"), delivery.text);
        const QByteArray utf8 = delivery.text.toUtf8() + '\0';
        const COPYDATASTRUCT copy{0, std::uint32_t(utf8.size()), utf8.constData()};
        SendNotifyMessage(delivery.client, WM_COPYDATA, WPARAM(Handle()), LPARAM(&copy));
    }
}

} // namespace ovento::sim
