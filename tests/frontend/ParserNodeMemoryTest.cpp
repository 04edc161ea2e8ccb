// Node memory comes from one arena per parse: subtrees kept after the program,
// the parser and the other subtrees are gone must stay valid, and the last
// release may happen on any thread.

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "frontend/NodeArena.h"
#include "frontend/ParserTreePrinter.h"

namespace quarn {
namespace {

using testing::printNode;

TEST(ParserNodeMemory, KeptSubtreesOutliveTheProgram) {
  NodePtr body;
  NodePtr call;
  {
    ParseResult result = compile("int x = 1; - (void) riff { [tb303 setFrequency:110.0 * x]; } async { [self riff]; }");
    ASSERT_TRUE(result.ok());
    body = result.program->statements[1];
    call = result.program->statements[2]->as<AsyncNode>()->body.statements[0];
  }
  EXPECT_EQ(printNode(body), "(method riff (block [tb303 setFrequency: (* 110.0 x)]))");
  body.reset();
  EXPECT_EQ(printNode(call), "[self riff]");
}

TEST(ParserNodeMemory, LastReleaseOnOtherThreads) {
  ParseResult result = compile("a = 1; b = @[\"s\", 2.5]; c = [x y:-z]; { d; }");
  ASSERT_TRUE(result.ok());
  std::vector<std::thread> threads;
  for (NodePtr& statement : result.program->statements) {
    threads.emplace_back([kept = statement] { EXPECT_FALSE(printNode(kept).empty()); });
  }
  result.program.reset();
  for (std::thread& thread : threads) thread.join();
}

TEST(ParserNodeMemory, FailedParsesReleaseEverything) {
  // a failure deep inside a large partial tree unwinds without leaks or faults
  std::string script;
  for (int i = 0; i < 2000; ++i) script += "{ x = @[1, [a b:2]]; ";
  EXPECT_FALSE(compile(script).ok());
}

TEST(ParserNodeMemory, ArenaServesLargeAndAlignedRequests) {
  NodeArena::Owner arena = NodeArena::create();
  void* small = arena->allocate(24, 8);
  void* large = arena->allocate(200 * 1024, 16);
  void* aligned = arena->allocate(8, 64);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small) % 8, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned) % 64, 0u);
  for (int i = 0; i < 3; ++i) arena->release();  // one reference per allocation
}

}  // namespace
}  // namespace quarn
