// The depth limit: no script, however deeply nested or long its operator
// chains, builds a tree deeper than kMaxSyntaxDepth levels below the program,
// so neither the parser nor any later walk or destruction of the tree can
// run out of stack.

#include <pthread.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "frontend/ParseErrors.h"
#include "frontend/ParserTreePrinter.h"

namespace quarn {
namespace {

std::string repeat(std::string_view piece, int count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

// Each shape builds a script whose tree has exactly `levels` levels below the
// program (top-level statements are level 1).
struct Shape {
  const char* name;
  std::function<std::string(int levels)> script;
};

const Shape kShapes[] = {
    {"nested blocks", [](int n) { return repeat("{", n) + repeat("}", n); }},
    {"nested if", [](int n) { return repeat("if (x) {", n - 1) + repeat("}", n - 1); }},
    {"nested while", [](int n) { return repeat("while (x) {", n - 1) + repeat("}", n - 1); }},
    {"nested async", [](int n) { return repeat("async {", n) + repeat("}", n); }},
    {"nested methods", [](int n) { return repeat("- (void) m {", n) + repeat("}", n); }},
    {"else branches", [](int n) { return repeat("if (x) { } else {", n - 1) + repeat("}", n - 1); }},
    {"not chain", [](int n) { return repeat("!", n - 1) + "x;"; }},
    {"minus chain", [](int n) { return "y = " + repeat("- ", n - 2) + "x;"; }},
    {"left chain", [](int n) { return "1" + repeat(" + 1", n - 1) + ";"; }},
    {"or chain", [](int n) { return "a" + repeat(" || b", n - 1) + ";"; }},
    {"nested arrays", [](int n) { return "x = " + repeat("@[", n - 1) + repeat("]", n - 1) + ";"; }},
    {"nested sends", [](int n) { return repeat("[a b:", n - 1) + "x" + repeat("]", n - 1) + ";"; }},
    {"declaration value", [](int n) { return "int v = " + repeat("!", n - 2) + "x;"; }},
    {"condition", [](int n) { return "while (" + repeat("-", n - 2) + "x) { }"; }},
    {"prefix then chain", [](int n) { return "x = " + repeat("-", n / 2) + "a" + repeat(" + 1", n - 2 - n / 2) + ";"; }},
    {"blocks around a chain", [](int n) { return repeat("{", n / 2) + "1" + repeat(" + 1", n - n / 2 - 1) + ";" + repeat("}", n / 2); }},
};

TEST(ParserDepth, DeepestAllowedTreeParses) {
  for (const Shape& shape : kShapes) {
    ParseResult result = compile(shape.script(kMaxSyntaxDepth));
    EXPECT_TRUE(result.ok()) << shape.name << ": " << result.error;
  }
}

TEST(ParserDepth, OneLevelMoreFails) {
  for (const Shape& shape : kShapes) {
    ParseResult result = compile(shape.script(kMaxSyntaxDepth + 1));
    EXPECT_FALSE(result.ok()) << shape.name;
    EXPECT_EQ(result.error, parse_errors::nestedTooDeeply()) << shape.name;
  }
}

TEST(ParserDepth, HugeScriptsFailCleanly) {
  const std::string scripts[] = {
      "1" + repeat(" + 1", 99999) + ";",
      "x = " + repeat("1 * ", 99999) + "1;",
      repeat("{", 1000000),
      repeat("!", 1000000) + "x;",
      "x = " + repeat("-", 1000000) + "x;",
      "x = " + repeat("@[", 1000000),
      repeat("[a b:", 1000000),
      repeat("if (x) {", 200000),
  };
  for (const std::string& script : scripts) {
    EXPECT_EQ(compile(script).error, parse_errors::nestedTooDeeply()) << script.substr(0, 40);
  }
}

TEST(ParserDepth, WideScriptsAreNotDeep) {
  // many statements or elements side by side add no depth
  EXPECT_TRUE(compile(repeat("x = 1 + 2; { y; } ", 50000)).ok());
  EXPECT_TRUE(compile("x = @[" + repeat("1, ", 100000) + "1];").ok());
  EXPECT_TRUE(compile("x = " + repeat("a * b + ", 300) + "1;").ok());  // left chain of 600 levels
}

TEST(ParserDepth, ErrorInsideDeepNestingIsReportedAsSuch) {
  // a fault before the limit is reached keeps its own message
  EXPECT_EQ(compile(repeat("{", 500) + "[1 play];").error, parse_errors::kReceiverName);
}

// Dropping the deepest allowed trees on a thread with a modest stack: the
// recursion of shared_ptr destruction stays within it (an optimised build
// needs well under 128 KiB; sanitizer frames are many times larger).
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kDestroyStackBytes = 32 * 1024 * 1024;
#else
constexpr std::size_t kDestroyStackBytes = 1024 * 1024;
#endif

TEST(ParserDepth, DeepestTreesAreDestroyedOnASmallStack) {
  struct Work {
    std::vector<ParseResult> results;
    static void* run(void* self) {
      static_cast<Work*>(self)->results.clear();
      return nullptr;
    }
  } work;
  for (const Shape& shape : kShapes) {
    work.results.push_back(compile(shape.script(kMaxSyntaxDepth)));
    ASSERT_TRUE(work.results.back().ok()) << shape.name;
  }
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, kDestroyStackBytes);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, &Work::run, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_TRUE(work.results.empty());
}

}  // namespace
}  // namespace quarn
