#include "skype/CSkypeCommandQueue.h"

#include <gtest/gtest.h>

using namespace ovento;

// The sender's buffer holds 1024 bytes, the NUL included; the size is the UTF-8 one.
TEST(CSkypeCommandQueue, RefusesWhatCannotBeSentWhole)
{
    struct Case
    {
        const char* what;
        QString text;
        bool queued;
    };
    const QString eAcute = QStringLiteral("\u00e9");    // 2 bytes
    const QString euro = QStringLiteral("\u20ac");      // 3 bytes
    const QString smile = QStringLiteral("\U0001F600"); // 4 bytes, two UTF-16 units
    const Case cases[] = {
        {"1023 ASCII bytes", QStringLiteral("a").repeated(1023), true},
        {"1024 ASCII bytes", QStringLiteral("a").repeated(1024), false},
        {"1022 bytes of 511 two-byte letters", eAcute.repeated(511), true},
        {"1024 bytes of 512 two-byte letters", eAcute.repeated(512), false},
        {"1023 bytes of three-byte signs", euro.repeated(341), true},
        {"1026 bytes of three-byte signs", euro.repeated(342), false},
        {"1023 bytes with four-byte signs", smile.repeated(255) + "abc", true},
        {"1024 bytes with four-byte signs", smile.repeated(256), false},
        {"a huge text", QStringLiteral("call 12 ").repeated(100000), false},
        {"an empty text", QString(), false},
    };
    for (const Case& c : cases) {
        CSkypeCommandQueue queue;
        queue.SetEnabled(true);
        EXPECT_EQ(queue.Push(c.text), c.queued) << c.what;
        QString out;
        EXPECT_EQ(queue.PopFront(out), c.queued) << c.what;
        EXPECT_EQ(out, c.queued ? c.text : QString()) << c.what;
    }
}
