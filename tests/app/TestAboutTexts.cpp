// The about box's texts.
#include "AboutTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(AboutTexts, VersionAndBuildFromTheRecord) {
    EXPECT_EQ(AboutVersionText((2u << 16) | 7u), "Version: 2.7");
    EXPECT_EQ(AboutBuildText((1u << 16) | 2u, (3u << 16) | 44u, false), "Build: 1.2.3.44");
    EXPECT_EQ(AboutBuildText((1u << 16) | 2u, (3u << 16) | 44u, true), "Build: 1.2.3");
}

}  // namespace
