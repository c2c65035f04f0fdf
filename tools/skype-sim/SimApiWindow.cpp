#include "SimApiWindow.h"

#include "platform/RegisteredMessages.h"

#include <cstring>

namespace ovento::sim {
namespace {
constexpr LPARAM kApiAvailable = 0x8001;
const QString kObjectPath = QStringLiteral("/SkypeAPI");
} // namespace

SimApiWindow::SimApiWindow(SimAnswers& answers, SimLog& log, std::optional<long long> attachStatus)
    : m_answers(answers), m_log(log), m_attachStatus(attachStatus),
      m_uAttachMsg(RegisterWindowMessage(QStringLiteral("SkypeControlAPIAttach"))),
      m_uDiscoverMsg(RegisterWindowMessage(QStringLiteral("SkypeControlAPIDiscover"))),
      m_window(kObjectPath, [this](UINT message, WPARAM wParam, LPARAM lParam) {
          return WindowProc(message, wParam, lParam);
      })
{}

void SimApiWindow::Announce()
{
    SendNotifyMessage(HWND_BROADCAST, m_uAttachMsg, WPARAM(Handle()), kApiAvailable);
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
    if (m_attachStatus && client != Handle())
        SendNotifyMessage(client, m_uAttachMsg, WPARAM(Handle()), LPARAM(*m_attachStatus));
}

void SimApiWindow::OnCommand(BusHandle client, const COPYDATASTRUCT& copy)
{
    const char* bytes = static_cast<const char*>(copy.lpData);
    const void* nul = std::memchr(bytes, 0, copy.cbData);
    const qsizetype length = nul ? static_cast<const char*>(nul) - bytes : qsizetype(copy.cbData);
    const QString command = QString::fromUtf8(bytes, length);
    m_log.Line(command);
    for (const QString& text : m_answers.Answer(command))
        m_pending.push_back({client, text});
    // Answers leave after the command's own Send has been answered, never from inside it.
    QMetaObject::invokeMethod(
        &m_deliveryAnchor, [this] { DeliverPending(); }, Qt::QueuedConnection);
}

void SimApiWindow::DeliverPending()
{
    while (!m_pending.empty()) {
        const Delivery delivery = m_pending.front();
        m_pending.pop_front();
        const QByteArray utf8 = delivery.text.toUtf8() + '\0';
        const COPYDATASTRUCT copy{0, std::uint32_t(utf8.size()), utf8.constData()};
        SendNotifyMessage(delivery.client, WM_COPYDATA, WPARAM(Handle()), LPARAM(&copy));
    }
}

} // namespace ovento::sim
