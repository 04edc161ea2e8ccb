// The run's one scope: its rules, and many threads using it at once.
#include <algorithm>
#include <atomic>

#include "InterpTestSupport.h"

namespace quarn {
namespace {

FunctionDeclNode functionOf(std::size_t statements) { return FunctionDeclNode{"f", BlockNode{NodeList(statements)}}; }

std::string read(const Environment& e, const std::string& n) { auto v = e.get(n); return v ? describe(*v) : "absent"; }

TEST(EnvironmentRules, BuiltInsDeclarationsAssignmentsAndFunctions) {
  Environment environment;
  for (const auto& [name, value] : std::initializer_list<std::pair<const char*, float>>{
           {"FrequencyHigh", 1.0f}, {"FrequencyLow", 0.1f}, {"Maximum", 1.0f}, {"Minimum", 0.0f},
           {"Braindance", 0.6f}, {"Acid", 0.85f}}) {
    environment.define(name, F(2.0f), false);
    environment.assign(name, F(2.0f));
    EXPECT_EQ(read(environment, name), describe(F(value))) << name;
  }
  EXPECT_EQ(read(environment, "frequencyHigh"), "absent");

  environment.define("x", F(1.0f), false);
  environment.define("x", F(2.0f), true);  // ignored, and x does not become constant
  environment.assign("x", S("text"));      // an assignment may change the case
  environment.define("n", N(), false);
  environment.define("n", I(1), false);  // none is a present value
  EXPECT_EQ(read(environment, "x"), describe(S("text")));
  EXPECT_EQ(read(environment, "n"), "none");

  environment.defineFunction(functionOf(1));
  environment.defineFunction(functionOf(3));
  EXPECT_EQ(environment.getFunction("f")->body.statements.size(), 3u);
  EXPECT_EQ(read(environment, "f"), "absent");  // methods and variables are separate
  EXPECT_FALSE(environment.getFunction("x"));
}

// Each thread owns one variable; all fight over a shared one, a constant and one function name.
TEST(EnvironmentConcurrency, ParallelOperationsStayConsistent) {
  constexpr int kThreads = 8, kOperations = 10000;
  Environment environment;
  environment.define("shared", I(-1), false);
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&environment, &failures, t] {
      const std::string own = "own" + std::to_string(t);
      environment.define(own, I(0), false);
      for (int i = 1; i < kOperations; ++i) {
        const auto before = environment.get(own);
        failures[t] += !before || before->asInt() != i - 1;
        environment.assign(own, I(i));
        environment.define(own, I(-5), true);  // ignored, so own never becomes constant
        environment.assign("shared", A({I(t), S(own)}));
        environment.assign("Maximum", I(i));
        environment.defineFunction(functionOf(static_cast<std::size_t>(t)));
        const auto function = environment.getFunction("f");
        const QuarnValue shared = *environment.get("shared");  // never torn: writer and name agree
        const std::int64_t writer = shared.asArray()[0].asInt();
        failures[t] += !function || function->body.statements.size() >= kThreads ||
                       describe(shared) != describe(A({I(writer), S("own" + std::to_string(writer))}));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    environment.assign("own" + std::to_string(t), I(-2));
    EXPECT_EQ(read(environment, "own" + std::to_string(t)), describe(I(-2)));
  }
  EXPECT_EQ(read(environment, "Maximum"), describe(F(1.0f)));
}

// Slots bound from a program's names: readers without a lock never see a torn value while writers
// switch a variable between an int, a float, a long string and an array, and names agree with slots.
TEST(EnvironmentConcurrency, BoundSlotsNeverTearAndAgreeWithNames) {
  constexpr int kWriters = 3, kReaders = 3, kOperations = 20000;
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
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kWriters + kReaders; ++t) {
    threads.emplace_back([&, t] {
      QuarnValue seen;
      for (int i = 0; i < kOperations; ++i) {
        if (t < kWriters) {
          environment.assign(0, "v", written[static_cast<std::size_t>(i + t) % written.size()]);
          environment.assign(1, "Acid", I(i));  // a constant, from several threads
        } else {
          const bool found = i % 2 == 0 ? environment.get(0, "v", seen) : (seen = *environment.get("v"), true);
          torn += !found || std::find(allowed.begin(), allowed.end(), describe(seen)) == allowed.end();
          torn += environment.get(2, "later", seen);  // bound but never declared
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(read(environment, "Acid"), describe(F(0.85f)));
  environment.define("later", I(3), false);  // declared after failed look-ups, by name
  QuarnValue later;
  EXPECT_TRUE(environment.get(2, "later", later) && later.asInt() == 3);
}

}  // namespace
}  // namespace quarn
