#include "SkypeTextInput.h"

#include "platform/Window.h"
#include "skype/CCallTable.h"
#include "skype/CSkypeClient.h"
#include "skype/CSkypeCommandQueue.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace ovento::fuzz {
namespace {

const QString kRemotePort = QStringLiteral("58376");
const QString kMicPort = QStringLiteral("58377");

[[noreturn]] void Fail(const char* broken)
{
    std::fprintf(stderr, "skype text input: %s\n", broken);
    std::abort();
}

void Check(bool holds, const char* broken)
{
    if (!holds)
        Fail(broken);
}

bool IsSlotParam(WPARAM wParam)
{
    const LPARAM slot = LPARAM(wParam);
    return slot >= -1 && slot < CCallTable::kSlotCount;
}

bool IsEndOfCall(int status)
{
    return status == CALL_STATUS_FAILED ||
           (status >= CALL_STATUS_FINISHED && status <= CALL_STATUS_CANCELLED);
}

// The main window's part: checks what it is told and answers calls as the controller does.
class MainWindowStandIn : public Window
{
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_SKYPE_CALL:
            Check(IsSlotParam(wParam) && (lParam == 1 || lParam == 2), "call message values");
            if (lParam == 2)
                OnCallStatusChanged(int(LPARAM(wParam)));
            break;
        case WM_SKYPE_DTMF:
            Check(IsSlotParam(wParam) && lParam >= 0 && lParam <= 0xFFFF, "DTMF message values");
            break;
        case WM_SKYPE_USERSTATUS:
            Check(wParam <= 8 && lParam == 0, "user status message values");
            break;
        case WM_SKYPE_ATTACHED:
        case WM_SKYPE_CONTACTS:
        case WM_SKYPE_CURRENTUSER:
        case WM_SKYPE_VERSION:
        case WM_SKYPE_INCOMING_P2P:
        case WM_SKYPE_INCOMING_PSTN:
            Check(wParam == 0 && lParam == 0, "plain message values");
            break;
        default:
            Fail("a message the main window does not expect");
        }
        return 0;
    }

private:
    static void OnCallStatusChanged(int slot)
    {
        CSkypeClient* client = CSkypeClient::ExistingInstance();
        const CCallTable* calls = CCallTable::GetInstance();
        const int status = calls->GetCallStatusAt(slot);
        const QString id = calls->GetCallId(slot);
        if (status == CALL_STATUS_INPROGRESS && !id.isEmpty()) {
            client->SetOutput(id, kRemotePort);
            client->SetCaptureMic(id, kMicPort);
        } else if (IsEndOfCall(status) && !calls->IsAnyCallActive()) {
            client->Reset();
        }
    }
};

QStringList TakeCommands()
{
    QStringList commands;
    QString text;
    while (CSkypeCommandQueue::GetInstance()->PopFront(text))
        commands << text;
    return commands;
}

bool IsParserCommand(const QString& command)
{
    static const QStringList kCallQueries = {
        QStringLiteral(" status"),
        QStringLiteral(" partner_handle"),
        QStringLiteral(" type"),
        QStringLiteral(" target_identity"),
        QStringLiteral(" conf_participants_count"),
        QStringLiteral(" conf_participant 0"),
        QStringLiteral(" conf_participant 1"),
        QStringLiteral(" set_output soundcard=\"default\" port=\"58376\""),
        QStringLiteral(" set_capture_mic port=\"58377\""),
    };
    if (command.startsWith(QLatin1String("get user ")))
        return command.endsWith(QLatin1String(" fullname"));
    if (!command.startsWith(QLatin1String("get call ")) &&
        !command.startsWith(QLatin1String("alter call ")))
        return false;
    for (const QString& query : kCallQueries) {
        if (command.endsWith(query))
            return command.startsWith(QLatin1String("alter ")) == query.contains(u'=');
    }
    return false;
}

void Attach(CSkypeClient* client)
{
    client->OnAttached();
    QCoreApplication::sendPostedEvents();
    const QStringList startUp = {QStringLiteral("get currentuserhandle"),
                                 QStringLiteral("get connstatus"), QStringLiteral("get userstatus"),
                                 QStringLiteral("search friends")};
    Check(TakeCommands() == startUp, "start-up queries");
}

void Parse(CSkypeClient* client, QByteArrayView line)
{
    client->ParseMessage(QString::fromUtf8(line));
    QCoreApplication::sendPostedEvents();
    const QStringList commands = TakeCommands();
    // A users answer asks once per handle; any other text asks a handful of questions.
    Check(commands.size() <= 8 + line.count(','), "more commands than the text asks for");
    for (const QString& command : commands)
        Check(IsParserCommand(command), "a command of an unknown form");
    Check(CCallTable::GetInstance()->CountCalls() <= CCallTable::kSlotCount, "calls beyond slots");
}

} // namespace

void RunSkypeTextInput(const std::uint8_t* data, std::size_t size)
{
    Check(CSkypeClient::ExistingInstance() == nullptr, "a Skype client already exists");
    MainWindowStandIn mainWindow;
    CSkypeClient* client = CSkypeClient::CreateInstance(&mainWindow);
    const QByteArrayView input(data, qsizetype(size));
    qsizetype from = 0;
    while (from <= input.size()) {
        qsizetype end = input.indexOf('\n', from);
        if (end < 0)
            end = input.size();
        const QByteArrayView line = input.sliced(from, end - from);
        if (line.isEmpty())
            Attach(client);
        else
            Parse(client, line);
        from = end + 1;
    }
    CSkypeClient::DestroyInstance();
}

} // namespace ovento::fuzz
