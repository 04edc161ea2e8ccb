// Methods that call themselves without end stop their own run with one line,
// even at the deepest nesting the parser accepts, and leave other runs going.
#include "ExecuteTestSupport.h"

#include <future>

#include "frontend/Parser.h"
#include "interp/WorkQueue.h"

namespace quarn {
namespace {

using namespace build;
using ::testing::ElementsAre;

using DispatchCallDepth = RunFixture;

// ThreadSanitizer keeps a record of every call stack and gives up on stacks of
// more than 65536 frames, which the deepest chains below reach by design.
#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kUnderThreadSanitizer = true;
#else
constexpr bool kUnderThreadSanitizer = false;
#endif
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

std::string depthLine(const std::string& method) {
  return "[VRKLog] Call depth limit exceeded: method '" + method + "' called more than " +
         std::to_string(kMaxCallDepth) + " levels deep; run stopped.";
}

// Runs the statements on a queue worker, as the workbench runs every script.
void runOnWorker(const std::shared_ptr<Evaluator>& evaluator, NodeList statements) {
  std::promise<void> finished;
  WorkQueue::global().submit([&] {
    evaluator->execute(Node{NodeVariant{program(std::move(statements))}});
    finished.set_value();
  });
  finished.get_future().wait();
}

TEST_F(DispatchCallDepth, RecursionStopsTheRunAtTheLimit) {
  run({declare("depth", integer(0)), method("down", {increment("depth"), send("self", "down")}),
       send("self", "down"), declare("after", integer(1))});
  EXPECT_EQ(intVariable("depth"), kMaxCallDepth);
  EXPECT_FALSE(variable("after"));
  EXPECT_TRUE(evaluator->isStopped());
  EXPECT_TRUE(engine->isRunning.load()) << "only this run stops";
  EXPECT_THAT(lines(), ElementsAre(depthLine("down")));
}

TEST_F(DispatchCallDepth, MutualRecursionNamesTheMethodThatWentTooDeep) {
  run({method("ping", {send("self", "pong:", integer(1))}), method("pong", {send("self", "ping")}),
       send("self", "ping")});
  // ping is call 1, 3, ..., 199; pong is call 200; the 201st is ping.
  EXPECT_THAT(lines(), ElementsAre(depthLine("ping")));
}

TEST_F(DispatchCallDepth, ChainsWithinTheLimitRunToTheEnd) {
  // Calls itself while depth < limit: exactly kMaxCallDepth bodies deep.
  run({declare("depth", integer(0)),
       method("down", {increment("depth"),
                       when(binary(name("depth"), TokenKind::lessThan, integer(kMaxCallDepth)), {send("self", "down")})}),
       send("self", "down"), assign("depth", integer(0)), send("self", "down"), declare("after", integer(1))});
  EXPECT_EQ(intVariable("after"), 1);
  EXPECT_FALSE(evaluator->isStopped());
  EXPECT_THAT(lines(), ::testing::IsEmpty());
}

TEST_F(DispatchCallDepth, TheDeepestAcceptedBodyCallingItselfStopsCleanly) {
  if (kUnderThreadSanitizer) GTEST_SKIP() << "stack deeper than ThreadSanitizer can record";
  // A method whose call sits just inside the parser's depth limit.
  const int blocks = kMaxSyntaxDepth - 10;
  NodePtr innermost = nested({send("self", "deep")});
  for (int i = 1; i < blocks; ++i) innermost = nested({innermost});
  runOnWorker(evaluator, {method("deep", {innermost}), send("self", "deep"), declare("after", integer(1))});
  EXPECT_FALSE(variable("after"));
  EXPECT_THAT(lines(), ElementsAre(depthLine("deep")));
}

TEST_F(DispatchCallDepth, TheDeepestParsedBodyCallingItselfStopsCleanly) {
  if (kUnderThreadSanitizer) GTEST_SKIP() << "stack deeper than ThreadSanitizer can record";
  const int blocks = kMaxSyntaxDepth - 10;
  const std::string source = "- (void) deep { " + std::string(blocks, '{') + " [self deep]; " +
                             std::string(blocks, '}') + " } [self deep];";
  ParseResult parsed = compile(source);
  ASSERT_TRUE(parsed.ok()) << parsed.error;
  auto top = std::make_shared<const ProgramNode>(std::move(*parsed.program));
  std::promise<void> finished;
  WorkQueue::global().submit([&] {
    evaluator->execute(Node{NodeVariant{*top}});
    finished.set_value();
  });
  finished.get_future().wait();
  EXPECT_THAT(lines(), ElementsAre(depthLine("deep")));
}

TEST_F(DispatchCallDepth, StoppingOneRunLeavesAnotherRunAndItsAsyncBodiesGoing) {
  // Run B ticks in an async body and its main flow until told to finish.
  auto other = newRun();
  NodePtr untilFinish =
      loop(makeNode(UnaryOpNode{Token::make(TokenKind::logicalNot), name("finish")}), {increment("ticks"), send("self", "wait:", real(0.001f))});
  std::promise<void> otherDone;
  WorkQueue::global().submit([&] {
    other->execute(Node{NodeVariant{program({declare("finish", boolean(false)), declare("ticks", integer(0)),
                                             async({untilFinish, declare("asyncDone", integer(1))}), untilFinish,
                                             declare("mainDone", integer(1))})}});
    otherDone.set_value();
  });
  ASSERT_TRUE(eventually([&] { return other->environment->get("ticks").has_value(); }));

  // Run A recurses without end in its main flow and in an async body.
  runOnWorker(evaluator, {method("loop", {send("self", "loop")}), async({send("self", "loop")}),
                          send("self", "loop")});
  evaluator->waitForAsyncBodies();
  EXPECT_TRUE(evaluator->isStopped());
  EXPECT_FALSE(other->isStopped());
  EXPECT_TRUE(engine->isRunning.load());

  other->environment->assign("finish", QuarnValue::makeBool(true));
  otherDone.get_future().wait();
  other->waitForAsyncBodies();
  EXPECT_TRUE(other->environment->get("mainDone").has_value());
  EXPECT_TRUE(other->environment->get("asyncDone").has_value());
}

}  // namespace
}  // namespace quarn
