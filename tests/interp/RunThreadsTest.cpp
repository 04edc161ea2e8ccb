// SPDX-License-Identifier: GPL-3.0-or-later
// The call-depth stop reaches a run's async bodies but no other run; the deepest tree fits a worker.
#include <future>
#include <tuple>

#include "InterpTestSupport.h"
#include "interp/WorkQueue.h"

namespace quarn {
namespace {

using ::testing::ElementsAre;

// Executes the source on a queue worker, as the workbench runs every script.
std::future<void> startOnWorker(std::shared_ptr<Evaluator> run, const std::string& source) {
  auto job = std::make_shared<std::packaged_task<void()>>([run, tree = parsedNode(source)] { run->execute(tree); });
  WorkQueue::global().submit([job] { (*job)(); });
  return job->get_future();
}

using Runs = RunFixture;

TEST_F(Runs, StoppingOneRunLeavesAnotherConcurrentRunGoing) {
  auto other = newRun();
  const std::string tick = "while (finish < 1) { ticks = ticks + 1; [self wait:0.001]; }";
  std::future<void> done = startOnWorker(other, "int finish = 0; int ticks = 0; async { " + tick +
                                                    " int asyncDone = 1; } " + tick + " int mainDone = 1;");
  ASSERT_TRUE(eventually([&] { return other->environment->get("ticks").has_value(); }));

  startOnWorker(evaluator, "- (void) go { [self go]; } async { [self go]; } [self go];").wait();
  evaluator->waitForAsyncBodies();
  EXPECT_TRUE(evaluator->isStopped());
  EXPECT_FALSE(other->isStopped());
  EXPECT_TRUE(engine->isRunning.load());

  other->environment->assign("finish", I(1));
  done.wait();
  other->waitForAsyncBodies();
  EXPECT_TRUE(other->environment->get("mainDone") && other->environment->get("asyncDone"));
}

TEST_F(Runs, TheDeepestParsedBodyCallingItselfStopsCleanlyOnAWorker) {
#if defined(__SANITIZE_THREAD__)  // it gives up on stacks of more than 65536 frames, which this reaches by design
  GTEST_SKIP() << "stack deeper than ThreadSanitizer can record";
#endif
  const int blocks = kMaxSyntaxDepth - 10;  // the call sits just inside the parser's depth limit
  startOnWorker(evaluator, "- (void) deep { " + std::string(blocks, '{') + " [self deep]; " +
                               std::string(blocks, '}') + " } [self deep]; int after = 1;").wait();
  EXPECT_EQ(intVariable("after"), -1);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Call depth limit exceeded: method 'deep' called more than " +
                                   std::to_string(kMaxCallDepth) + " levels deep; run stopped."));
}

// The voice's settings clamp, NaN and infinity included, silently.
TEST_F(Runs, VoiceSettingsClampNonFiniteOnesIncluded) {
  using V = SynthVoice;
  run("float inf = 100000000000000000000.0 * 100000000000000000000.0; float nan = inf - inf;");
  const std::tuple<std::string, std::atomic<float> V::*, float> cases[] = {
      {"setFrequency:-55.5", &V::frequency, -55.5f}, {"setFrequency:\"220\"", &V::frequency, 0.5f},
      {"setCutoff:1.5", &V::cutoff, 1.0f},           {"setCutoff:-3", &V::cutoff, 0.0f},
      {"setCutoff:0.25", &V::cutoff, 0.25f},         {"setCutoff:nan", &V::cutoff, 1.0f},
      {"setCutoff:-inf", &V::cutoff, 0.0f},
      {"setResonance:Braindance", &V::resonance, 0.6f}, {"setResonance:inf", &V::resonance, 1.0f},
      {"setResonance:nan", &V::resonance, 1.0f},        {"setResonance:-0.5", &V::resonance, 0.0f},
  };
  for (const auto& [send, field, expected] : cases) {
    (voice().*field).store(0.5f);
    run("[tb303 " + send + "];");
    EXPECT_EQ((voice().*field).load(), expected) << send;
  }
  EXPECT_THAT(lines(), ElementsAre());
}

}  // namespace
}  // namespace quarn
