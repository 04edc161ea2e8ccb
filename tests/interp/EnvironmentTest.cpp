// SPDX-License-Identifier: GPL-3.0-or-later
// The run's one scope with many threads using it at once, directly and through a script's async bodies.
#include <algorithm>
#include <atomic>

#include "InterpTestSupport.h"

namespace quarn {
namespace {

// Methods named f told apart by their body's length.
std::shared_ptr<CodeTree> methodsOf(std::uint32_t count) {
  auto tree = std::make_shared<CodeTree>();
  for (std::uint32_t n = 0; n < count; ++n) tree->methods.push_back(MethodCode{"f", CodeBlock{nullptr, n}});
  return tree;
}

// While writers switch a variable's kind, assign constants and redefine a method, lock-free readers
// never see a torn value or an undefined method; every thread counts its own variable by name.
TEST(EnvironmentConcurrency, ValuesNeverTearWhileNamesAndMethodsChange) {
  constexpr int kWriters = 4, kThreads = 8, kOperations = 20000;
  Environment environment;
  VariableSlot& v = environment.variable("v");
  VariableSlot& later = environment.variable("later");
  MethodSlot& f = environment.methodSlot("f");
  const auto methods = methodsOf(kWriters);
  const std::string longText(4096, 'q');
  const std::vector<QuarnValue> written = {I(7), F(7.5f), S(longText), A({I(1), S(longText)})};
  std::vector<std::string> allowed;
  for (const QuarnValue& value : written) allowed.push_back(describe(value));
  QuarnValue acid;
  ASSERT_TRUE(environment.variable("Acid").read(acid));  // a built-in constant found through its slot
  EXPECT_EQ(describe(acid), describe(F(0.85f)));
  environment.define("v", I(7), false);
  environment.defineMethod(f, methods->methods[0], methods);
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
          v.assign(written[static_cast<std::size_t>(i + t) % written.size()]);
          environment.assign(i % 2 == 0 ? "Maximum" : "Acid", I(i));  // constants, from several threads
          environment.defineMethod(f, methods->methods[static_cast<std::size_t>(t)], methods);
          continue;
        }
        const bool found = i % 2 == 0 ? v.read(seen) : (seen = *environment.get("v"), true);
        failures += !found || std::find(allowed.begin(), allowed.end(), describe(seen)) == allowed.end();
        failures += later.read(seen);  // mentioned but never declared
        const MethodCode* function = environment.method("f");
        failures += !function || function->body.count >= kWriters;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  environment.define("later", I(3), false);  // declared after failed look-ups, by name
  QuarnValue declared;
  EXPECT_TRUE(later.read(declared) && declared.asInt() == 3);
}

using SharedVariables = RunFixture;

// Async bodies sharing variables (a ThreadSanitizer case): whole values, constants stay, a method
// redeclared while called always runs, each body's count adds up.
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
