#include "SimAnswers.h"

#include <map>

namespace ovento::sim {
namespace {

const QString kCurrentUser = QStringLiteral("echo.tester");
const std::map<QString, QString> kFullNames = {
    {QStringLiteral("alice"), QStringLiteral("Alice Liddell")},
    {QStringLiteral("bob"), QStringLiteral("Bob Builder")},
    {QStringLiteral("+15551234567"), QString()},
    {kCurrentUser, QStringLiteral("Echo Tester")},
};

QStringList Error(int number, const QString& text)
{
    return {QStringLiteral("ERROR %1 %2").arg(number).arg(text)};
}

} // namespace

SimAnswers::SimAnswers(std::optional<int> pongLimit) : m_pongsLeft(pongLimit) {}

QStringList SimAnswers::Answer(const QString& command)
{
    const QStringList words = command.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return Error(1, QStringLiteral("Unknown command"));
    const QString verb = words[0].toLower();
    if (verb == u"ping" && words.size() == 1)
        return AnswerPing();
    if (verb == u"search" && words.size() == 2 && words[1].toLower() == u"friends")
        return {QStringLiteral("USERS alice, bob, +15551234567")};
    if (verb == u"get")
        return AnswerGet(words);
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
        return {QStringLiteral("CURRENTUSERHANDLE ") + kCurrentUser};
    if (words.size() == 2 && what == u"connstatus")
        return {QStringLiteral("CONNSTATUS ONLINE")};
    if (words.size() == 2 && what == u"userstatus")
        return {QStringLiteral("USERSTATUS ONLINE")};
    if (words.size() == 2 && what == u"skypeversion")
        return {QStringLiteral("SKYPEVERSION 2.0.0.0")};
    if (words.size() == 4 && what == u"user" && words[3].toLower() == u"fullname") {
        const auto known = kFullNames.find(words[2]);
        if (known == kFullNames.end())
            return Error(26, QStringLiteral("Invalid user handle"));
        return {QStringLiteral("USER %1 FULLNAME %2").arg(words[2], known->second).trimmed()};
    }
    return Error(7, QStringLiteral("GET: invalid WHAT"));
}

} // namespace ovento::sim
