#include "audio/CRingBuffer.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace ovento {
namespace {

std::vector<std::uint8_t> Bytes(int count, std::uint8_t first)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(CRingBufferTest, BytesComeOutInOrderAcrossTheEndOfTheStorage)
{
    CRingBuffer ring;
    std::vector<std::uint8_t> out(7000);
    ASSERT_TRUE(ring.Put(Bytes(7000, 0).data(), 7000));
    ASSERT_TRUE(ring.Get(out.data(), 7000));
    // Now read and write positions sit at 7000: the next 7000 bytes wrap around.
    const std::vector<std::uint8_t> wrapped = Bytes(7000, 42);
    ASSERT_TRUE(ring.Put(wrapped.data(), 7000));
    EXPECT_EQ(ring.Count(), 7000);
    ASSERT_TRUE(ring.Get(out.data(), 7000));
    EXPECT_EQ(out, wrapped);
    EXPECT_TRUE(ring.IsEmpty());
}

TEST(CRingBufferTest, WhatDoesNotFitChangesNothing)
{
    CRingBuffer ring;
    ASSERT_TRUE(ring.Put(Bytes(10000, 0).data(), 10000));
    EXPECT_FALSE(ring.Put(Bytes(320, 0).data(), 320));
    ASSERT_TRUE(ring.Put(Bytes(240, 0).data(), 240));
    EXPECT_FALSE(ring.Put(Bytes(1, 0).data(), 1));
    EXPECT_EQ(ring.Count(), CRingBuffer::kCapacity);

    std::vector<std::uint8_t> out(CRingBuffer::kCapacity + 1);
    EXPECT_FALSE(ring.Get(out.data(), CRingBuffer::kCapacity + 1));
    EXPECT_EQ(ring.Count(), CRingBuffer::kCapacity);
    EXPECT_TRUE(ring.Get(out.data(), 0));
    ASSERT_TRUE(ring.Get(out.data(), 10000));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 10000), Bytes(10000, 0));
}

TEST(CRingBufferTest, AnEmptyRingGivesNothing)
{
    CRingBuffer ring;
    std::uint8_t out[1];
    EXPECT_FALSE(ring.Get(out, 1));
    EXPECT_TRUE(ring.IsEmpty());
}

TEST(CRingBufferTest, ResetDropsWhatTheRingHeld)
{
    CRingBuffer ring;
    ASSERT_TRUE(ring.Put(Bytes(3000, 1).data(), 3000));
    ring.Reset();
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(ring.Count(), 0);
    std::vector<std::uint8_t> out(320);
    EXPECT_FALSE(ring.Get(out.data(), 320));
    ASSERT_TRUE(ring.Put(Bytes(320, 9).data(), 320));
    ASSERT_TRUE(ring.Get(out.data(), 320));
    EXPECT_EQ(out, Bytes(320, 9));
}

} // namespace
} // namespace ovento
