// Runs across threads: the call-depth stop reaches async bodies on workers but no other run; the deepest
// accepted tree fits a worker's stack; the voice clamps; wait returns for what is no positive time.
#include <future>
#include <limits>
#include <tuple>

#include "InterpTestSupport.h"
#include "interp/WorkQueue.h"

namespace quarn {
namespace {

using ::testing::ElementsAre;

// ThreadSanitizer gives up on stacks of more than 65536 frames, which the deepest chain below reaches by design.
#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;
#elif defined(__has_feature)
constexpr bool kUnderThreadSanitizer = __has_feature(thread_sanitizer);
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

// Executes the source on a queue worker, as the workbench runs every script.
std::future<void> startOnWorker(std::shared_ptr<Evaluator> run, const std::string& source) {
  auto job = std::make_shared<std::packaged_task<void()>>([run, tree = parsedNode(source)] { run->execute(tree); });
  WorkQueue::global().submit([job] { (*job)(); });
  return job->get_future();
}

using DispatchCallDepth = RunFixture;
using DispatchSends = RunFixture;

TEST_F(DispatchCallDepth, StoppingOneRunLeavesAnotherConcurrentRunGoing) {
  auto other = newRun();
  const std::string tick = "while (finish < 1) { ticks = ticks + 1; [self wait:0.001]; }";
  std::future<void> done = startOnWorker(other, "int finish = 0; int ticks = 0; async { " + tick +
                                                    " int asyncDone = 1; } " + tick + " int mainDone = 1;");
  ASSERT_TRUE(eventually([&] { return other->environment->get("ticks").has_value(); }));

  // This run recurses without end in its main flow and in an async body.
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

TEST_F(DispatchCallDepth, TheDeepestParsedBodyCallingItselfStopsCleanlyOnAWorker) {
  if (kUnderThreadSanitizer) GTEST_SKIP() << "stack deeper than ThreadSanitizer can record";
  const int blocks = kMaxSyntaxDepth - 10;  // the call sits just inside the parser's depth limit
  startOnWorker(evaluator, "- (void) deep { " + std::string(blocks, '{') + " [self deep]; " +
                               std::string(blocks, '}') + " } [self deep]; int after = 1;").wait();
  EXPECT_EQ(intVariable("after"), -1);
  EXPECT_THAT(lines(), ElementsAre("[VRKLog] Call depth limit exceeded: method 'deep' called more than " +
                                   std::to_string(kMaxCallDepth) + " levels deep; run stopped."));
}

// No literal gives NaN or infinity, so the run gets them as variables. A wait for what is no positive
// time would hang or throw if it reached a sleep as given.
TEST_F(DispatchSends, NonFiniteAndOutOfRangeArgumentsClampOrReturnAtOnce) {
  using V = SynthVoice;
  evaluator->environment->define("nan", F(std::nanf("")), false);
  evaluator->environment->define("inf", F(std::numeric_limits<float>::infinity()), false);
  const std::tuple<std::string, std::atomic<float> V::*, float> cases[] = {
      {"setFrequency:-55.5", &V::frequency, -55.5f}, {"setFrequency:\"220\"", &V::frequency, 0.5f},
      {"setCutoff:1.5", &V::cutoff, 1.0f},           {"setCutoff:-3", &V::cutoff, 0.0f},
      {"setCutoff:0.25", &V::cutoff, 0.25f},         {"setCutoff:nan", &V::cutoff, 1.0f},
      {"setCutoff:-inf", &V::cutoff, 0.0f},          {"setCutoff:\"0.1\"", &V::cutoff, 0.5f},
      {"setResonance:Braindance", &V::resonance, 0.6f}, {"setResonance:inf", &V::resonance, 1.0f},
      {"setResonance:nan", &V::resonance, 1.0f},        {"setResonance:-0.5", &V::resonance, 0.0f},
  };
  for (const auto& [send, field, expected] : cases) {
    (voice().*field).store(0.5f);
    run("[tb303 " + send + "];");
    EXPECT_EQ((voice().*field).load(), expected) << send;
  }
  run("[self wait:nan]; [self wait:-inf]; int done = 1;");
  EXPECT_EQ(intVariable("done"), 1);
  EXPECT_THAT(lines(), ElementsAre());
}

}  // namespace
}  // namespace quarn
