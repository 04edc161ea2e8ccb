// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter measures only while shown, follows the peak and marks clipping.
#include "WorkbenchTestSupport.h"

#include "app/LevelMeter.h"
#include "audio/EngineManager.h"

namespace quarn {
namespace {

TEST(LevelMeter, FollowsThePeakOnlyWhileShown) {
  auto engine = std::make_shared<EngineManager>(testing::TempDir(), AudioOutput::pulled);
  engine->start();
  std::vector<float> left(4096), right(4096);
  LevelMeter meter;
  meter.watch(engine);
  const auto pullAndLook = [&] {
    float* channels[2] = {left.data(), right.data()};
    engine->render(channels, 2, 4096);
    meter.look();
  };
  engine->changeVoice(SoundEventKind::voicePlay, 0.0f);
  pullAndLook();
  EXPECT_EQ(meter.shownLevel(), 0.0f) << "hidden: the engine measures nothing";
  meter.show();
  pullAndLook();
  EXPECT_NEAR(meter.shownLevel(), 0.5f, 0.05f);
  EXPECT_FALSE(meter.isClipMarkLit());
  using enum SoundEventKind;
  for (const auto& [kind, value] : {std::pair(voiceResonance, 1.0f), {voiceAccent, 1.0f},
                                     {voiceFrequency, 55.0f}, {voicePlay, 0.0f}})
    engine->changeVoice(kind, value);
  pullAndLook();
  EXPECT_TRUE(meter.shownLevel() == 1.0f && meter.isClipMarkLit());
  meter.hide();
  pullAndLook();
  EXPECT_LT(meter.shownLevel(), 1.0f);
}

}  // namespace
}  // namespace quarn
