#include "BusWindow.h"

#include "platform/RegisteredMessages.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QHash>
#include <QObject>
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace ovento {
namespace {

const QString kInterface = QStringLiteral("org.ovento.Window1");
const QString kCopyDataName = QStringLiteral("WM_COPYDATA");
constexpr std::uintptr_t kFirstHandle = 0x10000;
constexpr int kMaxBusNameLength = 255;
constexpr std::chrono::milliseconds kAbortPollInterval(1);

bool IsNameElementChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'-';
}

bool IsUniqueBusName(QStringView name)
{
    if (name.size() < 2 || name.size() > kMaxBusNameLength || name.front() != u':')
        return false;
    const auto elements = name.mid(1).split(u'.');
    for (QStringView element : elements)
        if (element.isEmpty() || !std::all_of(element.begin(), element.end(), IsNameElementChar))
            return false;
    return elements.size() >= 2;
}

bool IsObjectPath(QStringView path)
{
    if (path == u"/")
        return true;
    if (!path.startsWith(u'/'))
        return false;
    for (QStringView element : path.mid(1).split(u'/'))
        if (element.isEmpty() || !std::all_of(element.begin(), element.end(), [](QChar c) {
                return IsNameElementChar(c) && c != u'-';
            }))
            return false;
    return true;
}

// The bus name and object path inside a handle text; nullopt when it is malformed.
std::optional<std::pair<QString, QString>> SplitHandleText(const QString& text)
{
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    QString busName = text.left(slash);
    QString path = text.mid(slash);
    if (!IsUniqueBusName(busName) || !IsObjectPath(path))
        return std::nullopt;
    return std::make_pair(std::move(busName), std::move(path));
}

// Handle texts are interned for the life of the process; only windows that really sent us a
// message or that we address get an entry, so the table stays as small as the set of peers.
struct HandleTable
{
    std::mutex lock;
    QHash<QString, BusHandle> handles;
    std::vector<QString> texts;
};

HandleTable& handleTable()
{
    static HandleTable table;
    return table;
}

class WindowAdaptor;

// The windows of this process, so that a message can leave on its sender's connection.
struct LocalWindow
{
    QDBusConnection connection;
    WindowAdaptor* adaptor;
};

struct LocalWindows
{
    std::mutex lock;
    std::map<BusHandle, LocalWindow> windows;
};

LocalWindows& localWindows()
{
    static LocalWindows registry;
    return registry;
}

std::optional<LocalWindow> FindLocalWindow(BusHandle handle)
{
    LocalWindows& registry = localWindows();
    std::lock_guard guard(registry.lock);
    const auto found = registry.windows.find(handle);
    if (found == registry.windows.end())
        return std::nullopt;
    return found->second;
}

QString MessageName(UINT message)
{
    return message == WM_COPYDATA ? kCopyDataName : RegisteredMessages::NameOf(message);
}

UINT MessageId(const QString& name)
{
    return name == kCopyDataName ? WM_COPYDATA : RegisteredMessages::Find(name);
}

// The sender's handle when the bus name inside wparam is the message's true sender (the bus
// daemon sets that one; it cannot be forged), else Null.
BusHandle TrustedSender(const QString& wparam, const QString& sender)
{
    const auto parts = SplitHandleText(wparam);
    if (!parts || parts->first != sender)
        return BusHandle::Null;
    return BusHandleFromText(wparam);
}

// The object that stands for one BusWindow on the bus.
class WindowAdaptor : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.ovento.Window1")

public:
    explicit WindowAdaptor(BusWindow& window) : m_window(window) {}

public slots:
    Q_SCRIPTABLE qlonglong Send(const QString& message, const QString& wparam, qlonglong lparam,
                                const QByteArray& data, const QDBusMessage& call)
    {
        const BusHandle from = TrustedSender(wparam, call.service());
        const UINT id = MessageId(message);
        if (from == BusHandle::Null || id == 0)
            return 0;
        if (id != WM_COPYDATA)
            return m_window.WindowProc(id, WPARAM(from), LPARAM(lparam));
        if (data.size() > qsizetype(kMaxCopyDataBytes))
            return 0;
        const COPYDATASTRUCT copy{std::uintptr_t(lparam), std::uint32_t(data.size()),
                                  data.constData()};
        return m_window.WindowProc(WM_COPYDATA, WPARAM(from), LPARAM(&copy));
    }

    void OnBroadcast(const QString& message, const QString& wparam, qlonglong lparam,
                     const QDBusMessage& signal)
    {
        const BusHandle from = TrustedSender(wparam, signal.service());
        const UINT id = MessageId(message);
        if (from != BusHandle::Null && id != 0 && id != WM_COPYDATA)
            m_window.WindowProc(id, WPARAM(from), LPARAM(lparam));
    }

signals:
    Q_SCRIPTABLE void Broadcast(const QString& message, const QString& wparam, qlonglong lparam);

private:
    BusWindow& m_window;
};

// The method call Send for a message from the window named by wParam; nullopt when the
// target, the sender or the message cannot be named on the bus.
std::optional<QDBusMessage> BuildSend(BusHandle window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto target = SplitHandleText(BusHandleText(window));
    const QString sender = BusHandleText(BusHandle(wParam));
    const QString name = MessageName(message);
    if (!target || sender.isEmpty() || name.isEmpty())
        return std::nullopt;
    QByteArray data;
    qlonglong wireLParam = lParam;
    if (message == WM_COPYDATA) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!copy || (copy->cbData && !copy->lpData))
            return std::nullopt;
        data = QByteArray(static_cast<const char*>(copy->lpData), qsizetype(copy->cbData));
        wireLParam = qlonglong(copy->dwData);
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(target->first, target->second, kInterface, "Send");
    call << name << sender << wireLParam << data;
    return call;
}

bool WaitForAnswer(const QDBusPendingCall& pending, Event* abort)
{
    if (!abort) {
        QDBusPendingCall(pending).waitForFinished();
        return true;
    }
    // The reply completes on the bus's own thread, so polling needs no event loop here; the
    // abort event doubles as the pause between polls and ends the wait the moment it is set.
    while (!pending.isFinished())
        if (abort->WaitFor(kAbortPollInterval))
            return false;
    return true;
}

LRESULT ResultOf(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("x"))
        return 0;
    return LRESULT(reply.arguments().constFirst().toLongLong());
}

bool Broadcast(UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto from = FindLocalWindow(BusHandle(wParam));
    const QString name = RegisteredMessages::NameOf(message);
    if (!from || name.isEmpty())
        return false;
    emit from->adaptor->Broadcast(name, BusHandleText(BusHandle(wParam)), qlonglong(lParam));
    return true;
}

} // namespace

BusHandle BusHandleFromText(const QString& text)
{
    if (!SplitHandleText(text))
        return BusHandle::Null;
    HandleTable& table = handleTable();
    std::lock_guard guard(table.lock);
    const auto found = table.handles.constFind(text);
    if (found != table.handles.constEnd())
        return found.value();
    const BusHandle handle{kFirstHandle + table.texts.size()};
    table.texts.push_back(text);
    table.handles.insert(text, handle);
    return handle;
}

QString BusHandleText(BusHandle handle)
{
    HandleTable& table = handleTable();
    std::lock_guard guard(table.lock);
    const std::uintptr_t value = std::uintptr_t(handle);
    if (value < kFirstHandle || value - kFirstHandle >= table.texts.size())
        return QString();
    return table.texts[value - kFirstHandle];
}

class BusWindow::Private
{
public:
    Private(BusWindow& window, Procedure procedure)
        : procedure(std::move(procedure)), adaptor(window)
    {}

    bool Publish(const QString& objectPath);
    void Withdraw();

    Procedure procedure;
    WindowAdaptor adaptor;
    QString connectionName;
    QString objectPath;
    BusHandle handle = BusHandle::Null;
};

bool BusWindow::Private::Publish(const QString& path)
{
    static std::atomic<int> s_nConnections{0};
    connectionName = QStringLiteral("ovento-window-%1").arg(++s_nConnections);
    objectPath = path;
    QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    const BusHandle self = BusHandleFromText(connection.baseService() + path);
    if (!connection.isConnected() || self == BusHandle::Null ||
        !connection.registerObject(path, &adaptor,
                                   QDBusConnection::ExportScriptableSlots |
                                       QDBusConnection::ExportScriptableSignals) ||
        !connection.connect(QString(), QString(), kInterface, QStringLiteral("Broadcast"), &adaptor,
                            SLOT(OnBroadcast(QString, QString, qlonglong, QDBusMessage))))
        return false;
    LocalWindows& registry = localWindows();
    std::lock_guard guard(registry.lock);
    registry.windows.insert_or_assign(self, LocalWindow{connection, &adaptor});
    handle = self;
    return true;
}

void BusWindow::Private::Withdraw()
{
    if (handle != BusHandle::Null) {
        LocalWindows& registry = localWindows();
        std::lock_guard guard(registry.lock);
        registry.windows.erase(handle);
    }
    handle = BusHandle::Null;
    QDBusConnection connection(connectionName);
    connection.unregisterObject(objectPath);
    connection.disconnect(QString(), QString(), kInterface, QStringLiteral("Broadcast"), &adaptor,
                          SLOT(OnBroadcast(QString, QString, qlonglong, QDBusMessage)));
    // A sender still waiting on this connection keeps it alive until its call ends.
    QDBusConnection::disconnectFromBus(connectionName);
}

BusWindow::BusWindow(const QString& objectPath, Procedure procedure)
    : d(std::make_unique<Private>(*this, std::move(procedure)))
{
    if (!d->Publish(objectPath))
        d->Withdraw();
}

BusWindow::~BusWindow()
{
    d->Withdraw();
}

BusHandle BusWindow::Handle() const
{
    return d->handle;
}

LRESULT BusWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return d->procedure ? d->procedure(message, wParam, lParam) : 0;
}

LRESULT SendMessage(BusHandle window, UINT message, WPARAM wParam, LPARAM lParam, Event* abort)
{
    if (abort && abort->WaitFor(std::chrono::milliseconds(0)))
        return 0;
    const auto from = FindLocalWindow(BusHandle(wParam));
    const auto call = BuildSend(window, message, wParam, lParam);
    if (!from || !call)
        return 0;
    const QDBusPendingCall pending = from->connection.asyncCall(*call);
    if (!WaitForAnswer(pending, abort))
        return 0;
    return ResultOf(pending.reply());
}

bool SendNotifyMessage(BusHandle window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window == HWND_BROADCAST)
        return Broadcast(message, wParam, lParam);
    const auto from = FindLocalWindow(BusHandle(wParam));
    const auto call = BuildSend(window, message, wParam, lParam);
    return from && call && from->connection.send(*call);
}

} // namespace ovento

#include "BusWindow.moc"
