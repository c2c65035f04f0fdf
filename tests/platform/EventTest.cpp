#include "platform/Event.h"

#include <gtest/gtest.h>
#include <thread>

using namespace ovento;
using namespace std::chrono_literals;

TEST(Event, AutoResetReleasesOneWaitThenFallsBack)
{
    Event event(Event::Mode::AutoReset);
    EXPECT_FALSE(event.WaitFor(0ms));
    event.Set();
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(Event, ManualResetStaysSetUntilReset)
{
    Event event(Event::Mode::ManualReset, true);
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_TRUE(event.WaitFor(0ms));
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(Event, SetFromAnotherThreadWakesTheWaiter)
{
    Event event(Event::Mode::AutoReset);
    std::thread setter([&] { event.Set(); });
    EXPECT_TRUE(event.Wait());
    setter.join();
}
