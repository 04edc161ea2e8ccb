// Message sends: what each receiver and selector does, which arguments are
// evaluated, and the one line each rejected send prints.
#include "ExecuteTestSupport.h"

#include <cmath>
#include <limits>

namespace quarn {
namespace {

using namespace build;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

using DispatchMessages = RunFixture;
using DispatchTb303 = RunFixture;
using DispatchSelf = RunFixture;

const std::string kUndefinedQ = "[VRKLog] Reference error: undefined identifier 'q'";

TEST_F(DispatchMessages, EachRejectedSendPrintsItsLine) {
  struct Case {
    NodePtr send;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {send("piano", "play"), {"Unknown Receiver: piano object could not be found."}},
      // no argument of an unknown receiver is evaluated
      {send("piano", "play:", name("q")), {"Unknown Receiver: piano object could not be found."}},
      {send("Sampler", "play:", text("kick")), {"Unknown Receiver: Sampler object could not be found."}},
      {send("sampler", "play:", integer(42)), {"play: Method requires a string file name."}},
      {send("sampler", "play"), {"[VRKLog] Unknown Selector: -[sampler play]"}},
      {send("sampler", "setRate:", text("fast")), {"[VRKLog] setRate: Method requires a number (int, float)."}},
      {send("sampler", "setRate:", boolean(true)), {"[VRKLog] setRate: Method requires a number (int, float)."}},
      {send("sampler", "stop"), {"[VRKLog] Unknown Selector: -[sampler stop]"}},
      // the argument is evaluated before the selector is examined
      {send("sampler", "stop:", name("q")), {kUndefinedQ, "[VRKLog] Unknown Selector: -[sampler stop:]"}},
      {send("sampler", "play:", name("q")), {kUndefinedQ, "play: Method requires a string file name."}},
      {send("sampler", "play:", text("nosuch")), {"[VRKLog] Audio file could not be found: nosuch.wav"}},
      {send("self", "beat"), {"[VRKLog] Error: It is an undeclared function - beat"}},
      // a method call evaluates no argument; the colons go
      {send("self", "beat:", name("q")), {"[VRKLog] Error: It is an undeclared function - beat"}},
      {send("self", "a:b:"), {"[VRKLog] Error: It is an undeclared function - ab"}},
      {send("self", "wait"), {"[VRKLog] Error: It is an undeclared function - wait"}},
      {send("self", "wait:", name("q")), {kUndefinedQ}},
      {send("tb303", "setFrequency:", name("q")), {kUndefinedQ}},
      {send("tb303", "bogus:", name("q")), {kUndefinedQ}},
  };
  for (const Case& c : cases) {
    const std::size_t before = lines().size();
    run({c.send});
    const std::vector<std::string> all = lines();
    EXPECT_THAT(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
                ElementsAreArray(c.expected))
        << c.send->as<MethodCallNode>()->receiver.name << " " << c.send->as<MethodCallNode>()->methodName;
  }
}

TEST_F(DispatchMessages, SetRateTakesIntsAndFloatsUnchecked) {
  run({send("sampler", "setRate:", integer(2)), send("sampler", "setRate:", real(1.5f)),
       send("sampler", "setRate:", real(-3.0f))});
  EXPECT_EQ(engine->currentSampleRate.load(), -3.0f);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Sampler rate set to 2.0", "[VRKLog] Sampler rate set to 1.5",
                                   "[VRKLog] Sampler rate set to -3.0"));
}

TEST_F(DispatchTb303, NumbersSetTheVoiceAndClampWhereTheyMust) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    std::string selector;
    NodePtr argument;
    std::atomic<float> SynthVoice::*field;
    float expected;
  };
  const Case cases[] = {
      {"setFrequency:", integer(220), &SynthVoice::frequency, 220.0f},
      {"setFrequency:", real(-55.5f), &SynthVoice::frequency, -55.5f},  // no clamp for Hz
      {"setFrequency:", real(30000.0f), &SynthVoice::frequency, 30000.0f},
      {"setCutoff:", real(1.5f), &SynthVoice::cutoff, 1.0f},
      {"setCutoff:", integer(-3), &SynthVoice::cutoff, 0.0f},
      {"setCutoff:", real(0.25f), &SynthVoice::cutoff, 0.25f},
      {"setCutoff:", real(nan), &SynthVoice::cutoff, 1.0f},
      {"setCutoff:", real(-inf), &SynthVoice::cutoff, 0.0f},
      {"setResonance:", name("Braindance"), &SynthVoice::resonance, 0.6f},
      {"setResonance:", real(inf), &SynthVoice::resonance, 1.0f},
      {"setResonance:", real(nan), &SynthVoice::resonance, 1.0f},
      {"setResonance:", real(-0.5f), &SynthVoice::resonance, 0.0f},
  };
  for (const Case& c : cases) {
    (voice().*c.field).store(0.5f);
    run({send("tb303", c.selector, c.argument)});
    EXPECT_EQ((voice().*c.field).load(), c.expected) << c.selector;
  }
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(DispatchTb303, NonNumbersAndUnknownSelectorsChangeNothingSilently) {
  voice().frequency = 440.0f;
  voice().cutoff = 0.5f;
  synthSetPlaying(&voice(), false);
  run({send("tb303", "setFrequency:", text("220")), send("tb303", "setCutoff:", boolean(true)),
       send("tb303", "setResonance:", makeNode(ArrayNode{})), send("tb303", "play:", text("x")),
       send("tb303", "setFrequency"), send("tb303", "stop"), send("tb303", "Play")});
  EXPECT_EQ(voice().frequency.load(), 440.0f);
  EXPECT_EQ(voice().cutoff.load(), 0.5f);
  EXPECT_FALSE(voice().isPlaying.load());
  EXPECT_TRUE(engine->isRunning.load());
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(DispatchTb303, PlayAndReleaseIgnoreTheirArgument) {
  synthSetPlaying(&voice(), false);
  run({send("tb303", "play", text("ignored"))});
  EXPECT_TRUE(voice().isPlaying.load());
  run({send("tb303", "release", text("ignored"))});
  EXPECT_FALSE(voice().isPlaying.load());
  EXPECT_FALSE(engine->isRunning.load());
  engine->isRunning = true;
  run({send("tb303", "play")});
  EXPECT_TRUE(voice().isPlaying.load());
}

TEST_F(DispatchSelf, WaitReturnsForEveryArgumentThatIsNotAPositiveTime) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Each of these would hang or throw if it reached a sleep as given.
  run({send("self", "wait:"), send("self", "wait:", real(nan)), send("self", "wait:", real(-inf)),
       send("self", "wait:", integer(-5)), send("self", "wait:", integer(0)),
       send("self", "wait:", text("1")), send("self", "wait:", real(0.001f)), declare("done", integer(1))});
  EXPECT_EQ(intVariable("done"), 1);
  EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(DispatchSelf, AMethodRunsOnTheCallersThreadInTheRunsScope) {
  run({declare("calls", integer(0)),
       method("tick", {increment("calls"), declare("fromBody", integer(3))}),
       send("self", "tick"), send("self", "tick:", name("q")),
       // a method declared inside a method exists once the outer one ran
       method("outer", {method("inner", {increment("calls")})}), send("self", "inner"), send("self", "outer"),
       send("self", "inner")});
  EXPECT_EQ(intVariable("calls"), 3);
  EXPECT_EQ(intVariable("fromBody"), 3);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Error: It is an undeclared function - inner"));
}

}  // namespace
}  // namespace quarn
