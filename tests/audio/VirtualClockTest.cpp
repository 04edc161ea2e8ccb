// SPDX-License-Identifier: GPL-3.0-or-later
// The render's turns driven by hand: an announcement cancelled (its job was
// refused) leaves the caller's own turn and the count of threads right.
#include <gtest/gtest.h>

#include <thread>

#include "audio/VirtualClock.h"

namespace quarn {
namespace {

TEST(VirtualTurns, ACancelledAnnouncementLeavesTheCallersTurn) {
  VirtualClock clock(2);
  ASSERT_TRUE(clock.announce());
  std::thread script([&clock] {
    clock.begin(0);
    for (int i = 0; i < 3; ++i) {  // uncounted, each leaves room for the next
      ASSERT_TRUE(clock.announce());
      clock.cancelAnnouncement();
    }
    clock.sleepUntil(10, [] { return false; });  // still its own turn to give up
    clock.end();
  });
  const std::optional<std::int64_t> expected[] = {0, 10, std::nullopt};
  for (const auto& due : expected) {
    EXPECT_EQ(clock.nextDue(), due);
    if (due) clock.resumeNext();
  }
  script.join();
  EXPECT_FALSE(clock.wasStarved());
}

}  // namespace
}  // namespace quarn
