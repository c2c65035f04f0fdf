#include "SimAnswers.h"

#include <QRegularExpression>

namespace ovento::sim {
namespace {

QStringList Error(int number, const QString& text)
{
    return {QStringLiteral("ERROR %1 %2").arg(number).arg(text)};
}

// Skype writes an empty value as nothing at all after the property.
QStringList Reply(const QStringList& words)
{
    return {words.join(u' ').trimmed()};
}

// The port of an ALTER's parameters: none when there is no port parameter (the side goes back
// to the sound card), 0 when it is not a port number.
std::optional<std::uint16_t> PortOf(const QString& parameters)
{
    static const QRegularExpression port(QStringLiteral("(?:^|\\s)port=\"([^\"]*)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = port.match(parameters);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const uint number = match.captured(1).toUInt(&ok);
    return ok && number <= 0xFFFF ? std::uint16_t(number) : std::uint16_t(0);
}

} // namespace

SimAnswers::SimAnswers(SimState& state, SimAudio& audio, std::optional<int> pongLimit)
    : m_state(state), m_audio(audio), m_pongsLeft(pongLimit)
{}

QStringList SimAnswers::Answer(const QString& command)
{
    const QStringList words = command.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return Error(1, QStringLiteral("Unknown command"));
    const QString verb = words[0].toLower();
    if (verb == u"ping" && words.size() == 1)
        return AnswerPing();
    if (verb == u"search" && words.size() == 2 && words[1].toLower() == u"friends")
        return Reply({QStringLiteral("USERS"), m_state.Friends().join(QStringLiteral(", "))});
    if (verb == u"get")
        return AnswerGet(words);
    if (verb == u"alter" && words.size() >= 4 && words[1].toLower() == u"call")
        return AnswerAlterCall(words);
    return Error(2, QStringLiteral("Unknown command"));
}

QStringList SimAnswers::AnswerPing()
{
    if (m_pongsLeft) {
        if (*m_pongsLeft == 0)
            return {};
        --*m_pongsLeft;
    }
    return {QStringLiteral("PONG")};
}

QStringList SimAnswers::AnswerGet(const QStringList& words) const
{
    const QString what = words.value(1).toLower();
    if (words.size() == 2 && what == u"currentuserhandle")
        return {QStringLiteral("CURRENTUSERHANDLE ") + SimState::CurrentUser()};
    if (words.size() == 2 && what == u"connstatus")
        return {QStringLiteral("CONNSTATUS ONLINE")};
    if (words.size() == 2 && what == u"userstatus")
        return {QStringLiteral("USERSTATUS ONLINE")};
    if (words.size() == 2 && what == u"skypeversion")
        return {QStringLiteral("SKYPEVERSION 2.0.0.0")};
    if (words.size() == 4 && what == u"user")
        return AnswerGetUser(words);
    if (words.size() >= 4 && what == u"call")
        return AnswerGetCall(words);
    return Error(7, QStringLiteral("GET: invalid WHAT"));
}

QStringList SimAnswers::AnswerGetUser(const QStringList& words) const
{
    const QString& handle = words[2];
    if (!m_state.IsKnownUser(handle))
        return Error(26, QStringLiteral("Invalid user handle"));
    const QString property = words[3].toUpper();
    return Reply(
        {QStringLiteral("USER"), handle, property, m_state.UserProperty(handle, property)});
}

QStringList SimAnswers::AnswerGetCall(const QStringList& words) const
{
    const SimCall* call = m_state.FindCall(words[2]);
    if (!call)
        return Error(11, QStringLiteral("Invalid call id"));
    const QString property = words[3].toUpper();
    const auto reply = [&](const QString& value) {
        return Reply({QStringLiteral("CALL"), call->id, property, value});
    };
    if (words.size() == 4) {
        if (property == u"PARTNER_HANDLE" || property == u"TARGET_IDENTITY")
            return reply(call->partner);
        if (property == u"TYPE")
            return reply(call->type);
        if (property == u"STATUS")
            return reply(call->status);
        if (property == u"CONF_PARTICIPANTS_COUNT")
            return reply(call->confCount);
    }
    if (words.size() == 5 && property == u"CONF_PARTICIPANT") {
        bool ok = false;
        const int index = words[4].toInt(&ok);
        if (!ok || index < 0 || index >= call->participants.size())
            return Error(12, QStringLiteral("Invalid conference participant"));
        const QString& handle = call->participants[index];
        return reply(QStringList{words[4], handle, call->type, call->status,
                                 m_state.UserProperty(handle, QStringLiteral("FULLNAME"))}
                         .join(u' '));
    }
    return Error(7, QStringLiteral("GET: invalid WHAT"));
}

QStringList SimAnswers::AnswerAlterCall(const QStringList& words)
{
    const QString action = words[3].toUpper();
    const QString parameters = words.mid(4).join(u' ');
    const bool output = action == u"SET_OUTPUT";
    if (!output && action != u"SET_CAPTURE_MIC")
        return Error(9, QStringLiteral("ALTER: invalid action"));
    const SimCall* call = m_state.FindCall(words[2]);
    if (!call)
        return Error(11, QStringLiteral("Invalid call id"));
    const SimCallPhase phase = SimState::PhaseOf(call->status);
    if (phase == SimCallPhase::Ended)
        return Error(13, QStringLiteral("Call has ended"));
    const auto port = PortOf(parameters);
    if (port == std::uint16_t(0))
        return Error(10, QStringLiteral("ALTER: invalid port"));
    m_audio.Redirect(call->id, output ? SimAudioSide::Output : SimAudioSide::Mic, port, phase);
    return Reply({QStringLiteral("ALTER CALL"), call->id, action, parameters});
}

} // namespace ovento::sim
