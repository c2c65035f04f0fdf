#include "audio/CWriteQueue.h"

#include "tests/audio/RecordingWriter.h"

#include <gtest/gtest.h>
#include <vector>

namespace ovento {
namespace {

using test::RecordingWriter;

TEST(CWriteQueueTest, BlocksReachTheWriterInOrderThroughAQueueFarSmallerThanTheStream)
{
    RecordingWriter writer;
    CWriteQueue queue(1000);
    queue.SetTarget(&writer);
    std::vector<std::vector<std::int16_t>> sent;
    for (int k = 0; k < 5000; ++k) {
        // Sizes of a pair, a mono pair and a burst, so the queue fills unevenly.
        const int values = k % 97 == 0 ? 2560 : k % 2 ? 320 : 160;
        sent.emplace_back(std::size_t(values), std::int16_t(k));
        ASSERT_TRUE(queue.Write(CBuffer(sent.back().data(), values * 2)));
    }
    EXPECT_TRUE(queue.Close());
    EXPECT_EQ(writer.Blocks(), sent);
    EXPECT_EQ(writer.CloseCount(), 1);
}

TEST(CWriteQueueTest, WithoutAWriterNothingIsQueued)
{
    CWriteQueue queue;
    std::int16_t values[160] = {};
    EXPECT_FALSE(queue.Write(CBuffer(values, 320)));
    EXPECT_TRUE(queue.Close());

    RecordingWriter writer;
    queue.SetTarget(&writer);
    ASSERT_TRUE(queue.Write(CBuffer(values, 320)));
    queue.Close();
    EXPECT_FALSE(queue.Write(CBuffer(values, 320)));
    EXPECT_EQ(writer.Blocks().size(), 1u);
}

} // namespace
} // namespace ovento
