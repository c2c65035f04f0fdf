#include "platform/RegisteredMessages.h"
#include "tests/support/EventLoop.h"
#include "tests/support/MessageRecorder.h"

#include <gtest/gtest.h>
#include <thread>

using namespace ovento;
using ovento::test::MessageRecorder;
using ovento::test::RecordedMessage;

TEST(Window, PostedMessagesArriveInOrderOnTheWindowThread)
{
    MessageRecorder window;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            PostMessage(&window, WM_USER + 1, WPARAM(i), -i);
    });
    poster.join();
    EXPECT_TRUE(window.All().empty()) << "nothing is delivered before the loop runs";
    ASSERT_TRUE(test::WaitUntil([&] { return window.All().size() == 100; }));
    const auto messages = window.All();
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(messages[i], (RecordedMessage{WM_USER + 1, WPARAM(i), LPARAM(-i)}));
}

TEST(Window, SendMessageRunsAtOnceAndNullWindowsAreRefused)
{
    MessageRecorder window;
    SendMessage(&window, WM_USER, 7, 8);
    EXPECT_EQ(window.All().size(), 1u);
    EXPECT_FALSE(PostMessage(nullptr, WM_USER, 0, 0));
    EXPECT_EQ(SendMessage(nullptr, WM_USER, 0, 0), 0);
}

TEST(Window, MessagesPostedToADestroyedWindowAreDropped)
{
    auto* window = new MessageRecorder;
    PostMessage(window, WM_USER, 0, 0);
    delete window;
    test::SpinFor(std::chrono::milliseconds(20)); // would crash if the message were delivered
}

TEST(RegisteredMessages, SameNameSameIdAndNamesResolve)
{
    const UINT attach = RegisterWindowMessage(QStringLiteral("SkypeControlAPIAttach"));
    const UINT discover = RegisterWindowMessage(QStringLiteral("SkypeControlAPIDiscover"));
    EXPECT_GE(attach, 0xC000u);
    EXPECT_NE(attach, discover);
    EXPECT_EQ(RegisterWindowMessage(QStringLiteral("SkypeControlAPIAttach")), attach);
    EXPECT_EQ(RegisteredMessages::NameOf(discover), QStringLiteral("SkypeControlAPIDiscover"));
    EXPECT_EQ(RegisterWindowMessage(QString()), 0u);
}
