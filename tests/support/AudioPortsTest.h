#pragma once

#include "tests/support/AudioPortsLock.h"

#include <gtest/gtest.h>

namespace ovento::test {

// A fixture for tests whose program opens its fixed audio ports: each test holds the ports, so
// none meets the port message because something else had them.
class AudioPortsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_portsLock.IsHeld()) << "the audio ports stayed busy"; }

private:
    AudioPortsLock m_portsLock;
};

} // namespace ovento::test
