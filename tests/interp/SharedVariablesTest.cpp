// Several async bodies of one parsed script reading and writing the same
// variables through their slots at once (a stress case for ThreadSanitizer):
// every read sees a whole value, constants stay, a method redeclared while
// others call it always runs, and the counts add up per body.
#include "InterpTestSupport.h"

namespace quarn {
namespace {

using SharedVariables = RunFixture;

TEST_F(SharedVariables, AsyncBodiesReadAndWriteTheSameVariables) {
  constexpr int kBodies = 6;
  std::string script =
      "int shared = 0; string text = \"\"; const int fixed = 7; int bad = 0;"
      "- (void) touch { shared = shared + 1; }";
  for (int b = 0; b < kBodies; ++b) {
    const std::string own = "own" + std::to_string(b);
    script += "async { int " + own + " = 0; while (" + own + " < 2000) {"
              " text = \"" + std::string(300, static_cast<char>('a' + b)) + "\";"
              " - (void) touch { shared = shared + 1; } [self touch];"  // redeclared while others call it
              " fixed = " + own + "; if (fixed != 7) { bad = bad + 1; }"
              " string seen = text; " + own + " = " + own + " + 1; } }";
  }
  run(script);
  evaluator->waitForAsyncBodies();
  for (int b = 0; b < kBodies; ++b) EXPECT_EQ(intVariable("own" + std::to_string(b)), 2000) << b;
  const std::int64_t shared = intVariable("shared");  // increments may be lost between bodies, never invented
  EXPECT_TRUE(shared >= 2000 && shared <= kBodies * 2000) << shared;
  EXPECT_EQ(intVariable("bad"), 0);
  const QuarnValue text = *evaluator->environment->get("text");
  EXPECT_EQ(text.asString().size(), 300u);
  EXPECT_EQ(text.asString().find_first_not_of(text.asString()[0]), std::string::npos);
  EXPECT_THAT(lines(), ::testing::ElementsAre());
}

}  // namespace
}  // namespace quarn
