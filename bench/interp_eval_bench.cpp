// SPDX-License-Identifier: GPL-3.0-or-later
// Expression evaluation speed: a variable-reading arithmetic tree and a
// literal-only one, with the heap allocations per evaluation as a counter
// (number-only expressions should make none).

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include <benchmark/benchmark.h>

#include "interp/Evaluator.h"

namespace {

std::atomic<long> allocationCount{0};

}  // namespace

// The counting replacements pair malloc with free; GCC cannot see that through inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace quarn {
namespace {

NodePtr num(std::int64_t v) { return makeNode(IntNode{v}); }
NodePtr name(const char* n) { return makeNode(IdentifierNode{n}); }
NodePtr binary(NodePtr left, TokenKind op, NodePtr right) {
  return makeNode(BinaryOpNode{std::move(left), Token::make(op), std::move(right)});
}

void runEvaluation(benchmark::State& state, const NodePtr& tree) {
  auto environment = std::make_shared<Environment>();
  environment->define("a", QuarnValue::makeInt(5), false);
  environment->define("b", QuarnValue::makeFloat(8.5f), false);
  // Expressions never touch the engine.
  Evaluator evaluator(nullptr, environment);
  const auto code = evaluator.compile(*tree);
  const long before = allocationCount.load();
  for (auto _ : state) {
    QuarnValue value = evaluator.evaluate(*code);
    benchmark::DoNotOptimize(value);
  }
  state.counters["allocs/eval"] = benchmark::Counter(
      static_cast<double>(allocationCount.load() - before) / static_cast<double>(state.iterations()));
}

// (a + 2) * 3 - b / 4
void BM_EvaluateVariables(benchmark::State& state) {
  const NodePtr tree = binary(binary(binary(name("a"), TokenKind::plus, num(2)), TokenKind::star, num(3)),
                              TokenKind::minus, binary(name("b"), TokenKind::slash, num(4)));
  runEvaluation(state, tree);
}
BENCHMARK(BM_EvaluateVariables);

// 1 + 2 * 3
void BM_EvaluateLiterals(benchmark::State& state) {
  const NodePtr tree = binary(num(1), TokenKind::plus, binary(num(2), TokenKind::star, num(3)));
  runEvaluation(state, tree);
}
BENCHMARK(BM_EvaluateLiterals);

// a single variable read: one locked look-up
void BM_EvaluateIdentifier(benchmark::State& state) {
  runEvaluation(state, name("a"));
}
BENCHMARK(BM_EvaluateIdentifier);

}  // namespace
}  // namespace quarn

BENCHMARK_MAIN();
