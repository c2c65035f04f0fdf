#include "FakeSkype.h"

#include "tests/support/EventLoop.h"

#include <QDBusPendingReply>
#include <QTimer>

namespace ovento::test {
namespace {
const QString kInterface = QStringLiteral("org.ovento.Window1");
const QString kPath = QStringLiteral("/FakeSkypeAPI");
const QString kAttach = QStringLiteral("SkypeControlAPIAttach");
const QString kDiscover = QStringLiteral("SkypeControlAPIDiscover");
const QString kCopyData = QStringLiteral("WM_COPYDATA");
} // namespace

FakeSkype::FakeSkype()
{
    static int s_nFakes = 0;
    m_connectionName = QStringLiteral("fake-skype-%1").arg(++s_nFakes);
    QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    connection.registerObject(kPath, this,
                              QDBusConnection::ExportScriptableSlots |
                                  QDBusConnection::ExportScriptableSignals);
    connection.connect(QString(), QString(), kInterface, QStringLiteral("Broadcast"), this,
                       SLOT(OnBroadcast(QString, QString, qlonglong, QDBusMessage)));
}

FakeSkype::~FakeSkype()
{
    ReleaseHeld();
    Connection().unregisterObject(kPath);
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QDBusConnection FakeSkype::Connection() const
{
    return QDBusConnection(m_connectionName);
}

QString FakeSkype::Handle() const
{
    return Connection().baseService() + kPath;
}

QStringList FakeSkype::CommandTexts() const
{
    QStringList texts;
    for (const Command& command : m_commands)
        texts << QString::fromUtf8(command.bytes.constData());
    return texts;
}

qlonglong FakeSkype::Send(const QString& message, const QString& wparam, qlonglong lparam,
                          const QByteArray& data, const QDBusMessage& call)
{
    if (message != kCopyData)
        return 0;
    m_commands.push_back({data, wparam, lparam});
    if (answerPings && data == QByteArray("ping", 5))
        QTimer::singleShot(0, this, [this, wparam] {
            SendRaw(Connection(), wparam, kCopyData, Handle(), 0, QByteArray("PONG", 5));
        });
    if (holdReplies) {
        call.setDelayedReply(true);
        m_held.push_back(call);
    }
    return commandResult;
}

void FakeSkype::OnBroadcast(const QString& message, const QString& wparam, qlonglong,
                            const QDBusMessage&)
{
    if (message != kDiscover)
        return;
    ++m_nDiscovers;
    m_clientHandle = wparam;
    if (discoverAnswer)
        QTimer::singleShot(0, this, [this, status = *discoverAnswer] { SendAttach(status); });
}

void FakeSkype::SendAttach(qlonglong status)
{
    SendRaw(Connection(), m_clientHandle, kAttach, Handle(), status, QByteArray());
}

QDBusPendingCall FakeSkype::SendCopyData(const QByteArray& bytes)
{
    return SendRaw(Connection(), m_clientHandle, kCopyData, Handle(), 0, bytes);
}

void FakeSkype::AnnounceApi()
{
    emit Broadcast(kAttach, Handle(), 0x8001);
}

void FakeSkype::ReleaseHeld()
{
    for (const QDBusMessage& call : m_held)
        Connection().send(call.createReply(commandResult));
    m_held.clear();
}

QDBusPendingCall SendRaw(const QDBusConnection& connection, const QString& target,
                         const QString& message, const QString& wparam, qlonglong lparam,
                         const QByteArray& data)
{
    const qsizetype slash = target.indexOf(u'/');
    QDBusMessage call = QDBusMessage::createMethodCall(target.left(slash), target.mid(slash),
                                                       kInterface, QStringLiteral("Send"));
    call << message << wparam << lparam << data;
    return connection.asyncCall(call);
}

qlonglong AnswerOf(const QDBusPendingCall& call)
{
    if (!WaitUntil([&] { return call.isFinished(); }))
        return -1;
    QDBusPendingReply<qlonglong> reply = call;
    return reply.isValid() ? reply.value() : -1;
}

} // namespace ovento::test
