// Runs across threads: release and the call-depth stop reach async bodies on workers but no other run; the
// deepest accepted tree fits a worker's stack; the voice clamps; wait returns for what is no positive time.
#include <future>
#include <limits>
#include <tuple>

#include "InterpTestSupport.h"
#include "frontend/Parser.h"
#include "interp/WorkQueue.h"

namespace quarn {
namespace {

using namespace build;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// ThreadSanitizer gives up on stacks of more than 65536 frames, which the deepest chain below reaches by design.
#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;
#elif defined(__has_feature)
constexpr bool kUnderThreadSanitizer = __has_feature(thread_sanitizer);
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

// Executes the tree on a queue worker, as the workbench runs every script.
std::future<void> startOnWorker(std::shared_ptr<Evaluator> run, Node tree) {
  auto job = std::make_shared<std::packaged_task<void()>>([run, tree = std::move(tree)] { run->execute(tree); });
  WorkQueue::global().submit([job] { (*job)(); });
  return job->get_future();
}

// ticks = ticks + 1; [self wait:0.001];
NodeList tick() { return {increment("ticks"), send("self", "wait:", {real(0.001f)})}; }

using DispatchCallDepth = RunFixture;
using DispatchSends = RunFixture;

TEST_F(DispatchSends, ReleaseStopsTheRunsAsyncBodiesOnOtherThreads) {
  // The body ticks every millisecond for nine seconds unless the run is released.
  run({declare("ticks", integer(0)), async({loopBelow("ticks", 9000, tick()), declare("late", integer(1))})});
  ASSERT_TRUE(eventually([&] { return intVariable("ticks") > 0; }));
  run({send("tb303", "release")});
  evaluator->waitForAsyncBodies();
  EXPECT_EQ(intVariable("late"), -1);
  EXPECT_THAT(lines(), ElementsAre());  // the stopped loop ends without the guard line
}

TEST_F(DispatchCallDepth, StoppingOneRunLeavesAnotherConcurrentRunGoing) {
  auto other = newRun();
  std::future<void> done = startOnWorker(other, program({declare("finish", integer(0)), declare("ticks", integer(0)),
      async({loopBelow("finish", 1, tick()), declare("asyncDone", integer(1))}), loopBelow("finish", 1, tick()),
      declare("mainDone", integer(1))}));
  ASSERT_TRUE(eventually([&] { return other->environment->get("ticks").has_value(); }));

  // This run recurses without end in its main flow and in an async body.
  const NodePtr go = send("self", "go");
  startOnWorker(evaluator, program({method("go", {go}), async({go}), go})).wait();
  evaluator->waitForAsyncBodies();
  EXPECT_TRUE(evaluator->isStopped());
  EXPECT_FALSE(other->isStopped());
  EXPECT_TRUE(engine->isRunning.load());

  other->environment->assign("finish", I(1));
  done.wait();
  other->waitForAsyncBodies();
  EXPECT_TRUE(other->environment->get("mainDone") && other->environment->get("asyncDone"));
}

TEST_F(DispatchCallDepth, TheDeepestParsedBodyCallingItselfStopsCleanlyOnAWorker) {
  if (kUnderThreadSanitizer) GTEST_SKIP() << "stack deeper than ThreadSanitizer can record";
  const int blocks = kMaxSyntaxDepth - 10;  // the call sits just inside the parser's depth limit
  ParseResult parsed = compile("- (void) deep { " + std::string(blocks, '{') + " [self deep]; " +
                               std::string(blocks, '}') + " } [self deep]; int after = 1;");
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  startOnWorker(evaluator, Node{NodeVariant{std::move(*parsed.program)}}).wait();
  EXPECT_EQ(intVariable("after"), -1);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Call depth limit exceeded: method 'deep' called more than " +
                                   std::to_string(kMaxCallDepth) + " levels deep; run stopped."));
}

TEST_F(DispatchSends, CutoffAndResonanceClampAndNonNumbersChangeNothing) {
  using V = SynthVoice;
  const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
  const std::tuple<std::string, NodePtr, std::atomic<float> V::*, float> cases[] = {
      {"setFrequency:", real(-55.5f), &V::frequency, -55.5f}, {"setFrequency:", text("220"), &V::frequency, 0.5f},
      {"setCutoff:", real(1.5f), &V::cutoff, 1.0f},   {"setCutoff:", integer(-3), &V::cutoff, 0.0f},
      {"setCutoff:", real(0.25f), &V::cutoff, 0.25f}, {"setCutoff:", real(nan), &V::cutoff, 1.0f},
      {"setCutoff:", real(-inf), &V::cutoff, 0.0f},   {"setCutoff:", text("0.1"), &V::cutoff, 0.5f},
      {"setResonance:", name("Braindance"), &V::resonance, 0.6f}, {"setResonance:", real(inf), &V::resonance, 1.0f},
      {"setResonance:", real(nan), &V::resonance, 1.0f},          {"setResonance:", real(-0.5f), &V::resonance, 0.0f},
  };
  for (const auto& [selector, argument, field, expected] : cases) {
    (voice().*field).store(0.5f);
    run({send("tb303", selector, {argument})});
    EXPECT_EQ((voice().*field).load(), expected) << selector << " " << argument->value.index();
  }
  EXPECT_THAT(lines(), ElementsAre());
}

TEST_F(DispatchSends, WaitReturnsAtOnceForNaNNegativeAndNonNumbers) {
  // Each of these would hang or throw if it reached a sleep as given.
  const auto wait = [](NodeList argument) { return send("self", "wait:", std::move(argument)); };
  run({wait({real(std::nanf(""))}), wait({real(-std::numeric_limits<float>::infinity())}), wait({integer(-5)}),
       wait({real(-0.0f)}), wait({}), wait({text("1")}), declare("done", integer(1))});
  EXPECT_EQ(intVariable("done"), 1);
  EXPECT_THAT(lines(), ElementsAre());
}

}  // namespace
}  // namespace quarn
