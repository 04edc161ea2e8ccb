// SPDX-License-Identifier: GPL-3.0-or-later
// No tree is deeper than kMaxSyntaxDepth, so no walk or destruction runs out of stack.
#include <pthread.h>

#include "FrontendTestSupport.h"
#include "frontend/ParseErrors.h"

namespace quarn::testing {
namespace {

// Each shape makes a script whose tree is exactly n levels deep (top-level statements are level 1).
using Shape = std::string (*)(int n);

const Shape kShapes[] = {
    [](int n) { return repeat("{", n) + repeat("}", n); },
    [](int n) { return repeat("if (x) {", n - 1) + repeat("}", n - 1); },
    [](int n) { return repeat("while (x) {", n - 1) + repeat("}", n - 1); },
    [](int n) { return repeat("async {", n) + repeat("}", n); },
    [](int n) { return repeat("- (void) m {", n) + repeat("}", n); },
    [](int n) { return repeat("if (x) { } else {", n - 1) + repeat("}", n - 1); },
    [](int n) { return repeat("!", n - 1) + "x;"; },
    [](int n) { return "y = " + repeat("- ", n - 2) + "x;"; },
    [](int n) { return "1" + repeat(" + 1", n - 1) + ";"; },
    [](int n) { return "a" + repeat(" || b", n - 1) + ";"; },
    [](int n) { return "x = " + repeat("@[", n - 1) + repeat("]", n - 1) + ";"; },
    [](int n) { return repeat("[a b:", n - 1) + "x" + repeat("]", n - 1) + ";"; },
    [](int n) { return "int v = " + repeat("!", n - 2) + "x;"; },
    [](int n) { return "while (" + repeat("-", n - 2) + "x) { }"; },
    [](int n) { return "x = " + repeat("-", n / 2) + "a" + repeat(" + 1", n - 2 - n / 2) + ";"; },
    [](int n) { return repeat("{", n / 2) + "1" + repeat(" + 1", n - n / 2 - 1) + ";" + repeat("}", n / 2); },
};

// Far too deep fails at the limit, not the text's end; an earlier fault keeps its message; width is not depth.
TEST(ParserDepth, HugeScriptsFailCleanlyWideOnesParse) {
  for (const std::string& script : {repeat("{", 1000000), repeat("!", 1000000) + "x;",
                                    "x = " + repeat("@[", 1000000), repeat("[a b:", 1000000)}) {
    EXPECT_EQ(compiled(script).error, parse_errors::nestedTooDeeply()) << script.substr(0, 40);
  }
  EXPECT_EQ(compiled(repeat("{", 500) + "[1 play];").error, parse_errors::kReceiverName);
  EXPECT_TRUE(compiled(repeat("x = 1 + 2; { y; } ", 50000)).ok());
  EXPECT_TRUE(compiled("x = @[" + repeat("1, ", 100000) + "1];").ok());
  EXPECT_TRUE(compiled("x = " + repeat("a * b + ", 300) + "1;").ok());  // left chain of 600 levels
}

// Destruction's recursion fits a modest stack (sanitizer frames are many times larger).
#if defined(QUARN_SANITIZED)
constexpr std::size_t kDestroyStackBytes = 32 * 1024 * 1024;
#else
constexpr std::size_t kDestroyStackBytes = 1024 * 1024;
#endif

TEST(ParserDepth, EveryShapeParsesAtTheLimitFailsOneOverAndDropsOnASmallStack) {
  std::vector<ParseResult> results;
  for (Shape shape : kShapes) {
    results.push_back(compiled(shape(kMaxSyntaxDepth)));
    EXPECT_TRUE(results.back().ok()) << shape(3);
    EXPECT_EQ(compiled(shape(kMaxSyntaxDepth + 1)).error, parse_errors::nestedTooDeeply()) << shape(3);
  }
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kDestroyStackBytes);
  pthread_t thread;
  auto destroy = [](void* trees) -> void* { static_cast<std::vector<ParseResult>*>(trees)->clear(); return nullptr; };
  ASSERT_EQ(pthread_create(&thread, &attributes, destroy, &results), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_TRUE(results.empty());
}

}  // namespace
}  // namespace quarn::testing
