#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace ovento::test {

// Skype's API window, written straight on QtDBus (not on our BusWindow) so the client is held
// to the wire contract itself. Lives on the test's main thread, on a bus connection of its own.
class FakeSkype : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.ovento.Window1")

public:
    struct Command
    {
        QByteArray bytes; // as received, NUL included
        QString wparam;
        qlonglong lparam;
    };

    FakeSkype();
    ~FakeSkype() override;

    QString Handle() const;
    QDBusConnection Connection() const;

    // The Attach status sent back to each Discover; none: Discover goes unanswered.
    std::optional<qlonglong> discoverAnswer = 0;
    bool answerPings = true;
    // Commands stay unanswered (the sender waits) until ReleaseHeld.
    bool holdReplies = false;
    qlonglong commandResult = 1;

    const std::vector<Command>& Commands() const { return m_commands; }
    // The command texts, each up to its NUL.
    QStringList CommandTexts() const;
    int DiscoverCount() const { return m_nDiscovers; }
    // The window that sent the last Discover.
    QString ClientHandle() const { return m_clientHandle; }

    void SendAttach(qlonglong status);
    QDBusPendingCall SendCopyData(const QByteArray& bytes);
    // Broadcasts Attach 0x8001, as Skype does when it starts.
    void AnnounceApi();
    void ReleaseHeld();

public slots:
    Q_SCRIPTABLE qlonglong Send(const QString& message, const QString& wparam, qlonglong lparam,
                                const QByteArray& data, const QDBusMessage& call);
    void OnBroadcast(const QString& message, const QString& wparam, qlonglong lparam,
                     const QDBusMessage& signal);

signals:
    Q_SCRIPTABLE void Broadcast(const QString& message, const QString& wparam, qlonglong lparam);

private:
    QDBusMessage CallToClient(const QString& message, qlonglong lparam, const QByteArray& data);

    QString m_connectionName;
    std::vector<Command> m_commands;
    std::vector<QDBusMessage> m_held;
    int m_nDiscovers = 0;
    QString m_clientHandle;
};

// A raw Send on the given connection, the wparam set by the caller (forgeries included).
QDBusPendingCall SendRaw(const QDBusConnection& connection, const QString& target,
                         const QString& message, const QString& wparam, qlonglong lparam,
                         const QByteArray& data);
// Waits for the answer while the event loop runs; the result, or -1 when none came.
qlonglong AnswerOf(const QDBusPendingCall& call);

} // namespace ovento::test
