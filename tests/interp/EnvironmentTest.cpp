// The run's one scope with many threads using it at once.
#include <algorithm>
#include <atomic>

#include "InterpTestSupport.h"

namespace quarn {
namespace {

FunctionDeclNode functionOf(std::size_t statements) { return FunctionDeclNode{"f", BlockNode{NodeList(statements)}}; }

std::string read(const Environment& e, const std::string& n) { auto v = e.get(n); return v ? describe(*v) : "absent"; }

// Bound slots and names at once: while writers switch a variable between an int, a float, a long string
// and an array, assign a constant and redefine a method, lock-free readers never see a torn value or a
// method nobody defined; every thread meanwhile adds and counts its own variable by name.
TEST(EnvironmentConcurrency, ValuesNeverTearWhileNamesAndMethodsChange) {
  constexpr int kWriters = 4, kThreads = 8, kOperations = 20000;
  Environment environment;
  ASSERT_TRUE(environment.bindNames(std::make_shared<const SlotNames>(SlotNames{"v", "Acid", "later"})));
  EXPECT_FALSE(environment.bindNames(std::make_shared<const SlotNames>(SlotNames{"v"})));
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
  for (int t = 0; t < kThreads; ++t) {
    environment.assign("own" + std::to_string(t), I(-2));
    EXPECT_EQ(read(environment, "own" + std::to_string(t)), describe(I(-2)));
  }
  EXPECT_EQ(read(environment, "Acid"), describe(F(0.85f)));
  EXPECT_EQ(read(environment, "Maximum"), describe(F(1.0f)));
  environment.define("later", I(3), false);  // declared after failed look-ups, by name
  QuarnValue later;
  EXPECT_TRUE(environment.get(2, "later", later) && later.asInt() == 3);
}

}  // namespace
}  // namespace quarn
