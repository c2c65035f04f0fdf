#include "SimScenario.h"

#include <QRegularExpression>
#include <set>

namespace ovento::sim {
namespace {

using Kind = SimStep::Kind;

// Whether a step ends in free text: the rest of the line, spaces and all.
enum class Text
{
    None,
    Optional,
    Required,
};

struct Grammar
{
    const char* keyword;
    Kind kind;
    int minWords;
    int maxWords; // -1: any number
    Text text;
    int numberWord; // index of the word that must be a count, or -1
    const char* usage;
};

const Grammar kGrammar[] = {
    {"wait", Kind::Wait, 1, 1, Text::None, 0, "wait <milliseconds>"},
    {"wait-for-command", Kind::WaitForCommand, 0, 0, Text::Required, -1, "wait-for-command <text>"},
    {"call", Kind::Call, 2, 3, Text::None, -1, "call <id> <type> [<partner>]"},
    {"status", Kind::Status, 2, 2, Text::None, -1, "status <id> <status>"},
    {"duration", Kind::Duration, 2, 2, Text::None, 1, "duration <id> <seconds>"},
    {"dtmf", Kind::Dtmf, 2, 2, Text::None, -1, "dtmf <id> <key>"},
    {"conf", Kind::Conf, 2, -1, Text::None, 1, "conf <id> <count> [<handle>...]"},
    {"user", Kind::User, 2, 2, Text::Optional, -1, "user <handle> <property> [<value>]"},
    {"send", Kind::Send, 0, 0, Text::Required, -1, "send <text>"},
    {"exit", Kind::Exit, 0, 0, Text::None, -1, "exit"},
};

const Grammar* FindGrammar(const QString& keyword)
{
    for (const Grammar& grammar : kGrammar)
        if (keyword == QLatin1String(grammar.keyword))
            return &grammar;
    return nullptr;
}

// Splits off the first word of text, which keeps the rest without its leading white space.
QString TakeWord(QString& text)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    const qsizetype end = text.indexOf(space);
    const QString word = text.left(end);
    text = end < 0 ? QString() : text.mid(end).trimmed();
    return word;
}

// The Skype type word of a call step's type: incoming and outgoing name the P2P types.
QString CallType(const QString& word)
{
    const QString upper = word.toUpper();
    if (upper == u"INCOMING")
        return QStringLiteral("INCOMING_P2P");
    if (upper == u"OUTGOING")
        return QStringLiteral("OUTGOING_P2P");
    for (const char* type : {"INCOMING_P2P", "OUTGOING_P2P", "INCOMING_PSTN", "OUTGOING_PSTN"})
        if (upper == QLatin1String(type))
            return upper;
    return QString();
}

class Parser
{
public:
    std::optional<SimStep> ParseLine(QString rest, int line, QString& error);

private:
    bool CheckWords(const Grammar& grammar, SimStep& step, QString& error);

    std::set<QString> m_callIds;
};

std::optional<SimStep> Parser::ParseLine(QString rest, int line, QString& error)
{
    const QString keyword = TakeWord(rest);
    const Grammar* grammar = FindGrammar(keyword.toLower());
    if (!grammar) {
        error = QStringLiteral("unknown step \"%1\"").arg(keyword);
        return std::nullopt;
    }
    SimStep step{grammar->kind, {}, line};
    if (grammar->text == Text::None) {
        while (!rest.isEmpty())
            step.args << TakeWord(rest);
    } else {
        for (int i = 0; i < grammar->minWords && !rest.isEmpty(); ++i)
            step.args << TakeWord(rest);
    }
    const int words = int(step.args.size());
    const bool wordsFit =
        words >= grammar->minWords && (grammar->maxWords < 0 || words <= grammar->maxWords);
    if (!wordsFit || (grammar->text == Text::Required && rest.isEmpty())) {
        error = QStringLiteral("expected: %1").arg(QLatin1String(grammar->usage));
        return std::nullopt;
    }
    if (grammar->text != Text::None)
        step.args << rest;
    if (!CheckWords(*grammar, step, error))
        return std::nullopt;
    return step;
}

bool Parser::CheckWords(const Grammar& grammar, SimStep& step, QString& error)
{
    if (grammar.numberWord >= 0) {
        bool ok = false;
        const QString& word = step.args[grammar.numberWord];
        if (word.toInt(&ok) < 0 || !ok) {
            error = QStringLiteral("\"%1\" is not a count (%2)")
                        .arg(word, QLatin1String(grammar.usage));
            return false;
        }
    }
    const bool namesCall = grammar.kind == Kind::Call || grammar.kind == Kind::Status ||
                           grammar.kind == Kind::Duration || grammar.kind == Kind::Dtmf ||
                           grammar.kind == Kind::Conf;
    if (!namesCall)
        return true;
    const QString& id = step.args[0];
    const bool declared = m_callIds.count(id) > 0;
    if (grammar.kind != Kind::Call) {
        if (!declared)
            error = QStringLiteral("call %1 is not declared by an earlier call step").arg(id);
        return declared;
    }
    if (declared) {
        error = QStringLiteral("call %1 is declared twice").arg(id);
        return false;
    }
    step.args[1] = CallType(step.args[1]);
    if (step.args[1].isEmpty()) {
        error = QStringLiteral("a call's type is incoming, outgoing, INCOMING_P2P, "
                               "OUTGOING_P2P, INCOMING_PSTN or OUTGOING_PSTN");
        return false;
    }
    m_callIds.insert(id);
    return true;
}

} // namespace

std::optional<SimScenario> SimScenario::Parse(const QString& text, QString& error)
{
    SimScenario scenario;
    Parser parser;
    const QStringList lines = text.split(u'\n');
    for (int index = 0; index < lines.size(); ++index) {
        const QString line = lines[index].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QString reason;
        auto step = parser.ParseLine(line, index + 1, reason);
        if (!step) {
            error = QStringLiteral("line %1: %2").arg(index + 1).arg(reason);
            return std::nullopt;
        }
        scenario.m_steps.push_back(std::move(*step));
    }
    return scenario;
}

SimScenario SimScenario::DemoCall(int seconds)
{
    const QString text = QStringLiteral("wait 1000\n"
                                        "call 1001 incoming echo123\n"
                                        "status 1001 RINGING\n"
                                        "wait 1000\n"
                                        "status 1001 INPROGRESS\n"
                                        "wait %1\n"
                                        "status 1001 FINISHED\n")
                             .arg(qint64(seconds) * 1000);
    QString error;
    return *Parse(text, error);
}

} // namespace ovento::sim
