// The run's one scope with many threads using it at once, directly and through a script's async bodies.
#include <algorithm>
#include <atomic>

#include "InterpTestSupport.h"

namespace quarn {
namespace {

FunctionDeclNode functionOf(std::size_t statements) { return FunctionDeclNode{"f", BlockNode{NodeList(statements)}}; }

// Bound slots and names at once: while writers switch a variable between an int, a float, a long string
// and an array, assign a constant and redefine a method, lock-free readers never see a torn value or a
// method nobody defined; every thread meanwhile adds and counts its own variable by name.
TEST(EnvironmentConcurrency, ValuesNeverTearWhileNamesAndMethodsChange) {
  constexpr int kWriters = 4, kThreads = 8, kOperations = 20000;
  Environment environment;
  ASSERT_TRUE(environment.bindNames(std::make_shared<const SlotNames>(SlotNames{"v", "Acid", "later"})));
  const std::string longText(4096, 'q');
  const std::vector<QuarnValue> written = {I(7), F(7.5f), S(longText), A({I(1), S(longText)})};
  std::vector<std::string> allowed;
  for (const QuarnValue& value : written) allowed.push_back(describe(value));
  QuarnValue acid;
  ASSERT_TRUE(environment.get(1, "Acid", acid));  // a built-in constant found through its slot
  EXPECT_EQ(describe(acid), describe(F(0.85f)));
  environment.define(0, "v", I(7), false);
  environment.defineFunction(functionOf(0));
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string own = "own" + std::to_string(t);
      environment.define(own, I(0), false);
      QuarnValue seen;
      for (int i = 1; i < kOperations; ++i) {
        const auto before = environment.get(own);
        failures += !before || before->asInt() != i - 1;
        environment.assign(own, I(i));
        environment.define(own, I(-5), true);  // ignored, so own never becomes constant
        if (t < kWriters) {
          environment.assign(0, "v", written[static_cast<std::size_t>(i + t) % written.size()]);
          environment.assign(i % 2 == 0 ? "Maximum" : "Acid", I(i));  // constants, from several threads
          environment.defineFunction(functionOf(static_cast<std::size_t>(t)));
          continue;
        }
        const bool found = i % 2 == 0 ? environment.get(0, "v", seen) : (seen = *environment.get("v"), true);
        failures += !found || std::find(allowed.begin(), allowed.end(), describe(seen)) == allowed.end();
        failures += environment.get(2, "later", seen);  // bound but never declared
        const auto function = environment.getFunction("f");
        failures += !function || function->body.statements.size() >= kWriters;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  environment.define("later", I(3), false);  // declared after failed look-ups, by name
  QuarnValue later;
  EXPECT_TRUE(environment.get(2, "later", later) && later.asInt() == 3);
}

using SharedVariables = RunFixture;

// Several async bodies of one parsed script reading and writing the same variables through their slots (a
// stress case for ThreadSanitizer): every read sees a whole value, constants stay, the counts add up per body.
TEST_F(SharedVariables, AsyncBodiesReadAndWriteTheSameVariables) {
  constexpr int kBodies = 6;
  std::string script =
      "int shared = 0; string text = \"\"; const int fixed = 7; int bad = 0;"
      "- (void) touch { shared = shared + 1; }";
  for (int b = 0; b < kBodies; ++b) {
    const std::string own = "own" + std::to_string(b);
    script += "async { int " + own + " = 0; while (" + own + " < 2000) {"
              " text = \"" + std::string(300, static_cast<char>('a' + b)) + "\"; [self touch];"
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
