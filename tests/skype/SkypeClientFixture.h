#pragma once

#include "skype/CSkypeClient.h"
#include "tests/skype/FakeSkype.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace ovento::test {

// A started client whose notify window records what it posts, and a fake Skype on the bus.
class SkypeClientFixture : public ::testing::Test
{
protected:
    // Quick sender pacing; the keep-alive is left at its real interval unless a test says so.
    static SkypeClientTimings QuickTimings()
    {
        SkypeClientTimings timings;
        timings.idlePoll = std::chrono::milliseconds(20);
        timings.retryDelay = std::chrono::milliseconds(5);
        timings.commandGap = std::chrono::milliseconds(1);
        return timings;
    }

    void TearDown() override { delete CSkypeClient::ExistingInstance(); }

    CSkypeClient* StartClient(const SkypeClientTimings& timings = QuickTimings())
    {
        CSkypeClient* client = CSkypeClient::GetInstance(&notify, timings);
        EXPECT_NE(client->GetWindowHandle(), BusHandle::Null);
        return client;
    }

    // Starts the client, lets the fake accept the attach, and waits for the start-up queries.
    CSkypeClient* StartAttached(const SkypeClientTimings& timings = QuickTimings())
    {
        CSkypeClient* client = StartClient(timings);
        EXPECT_TRUE(WaitUntil([&] { return skype.Commands().size() >= 4; }));
        return client;
    }

    bool WaitForCommands(size_t count)
    {
        return WaitUntil([&] { return skype.Commands().size() >= count; });
    }

    MessageRecorder notify;
    FakeSkype skype;
};

inline const QStringList kStartUpQueries = {
    QStringLiteral("get currentuserhandle"),
    QStringLiteral("get connstatus"),
    QStringLiteral("get userstatus"),
    QStringLiteral("search friends"),
};

} // namespace ovento::test
