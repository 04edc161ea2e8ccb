#pragma once
// Shared pieces of the statement and dispatch tests: short builders for syntax
// trees, and a fixture with a silent engine, one run's evaluator and the lines
// the run prints.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/EngineManager.h"
#include "frontend/Ast.h"
#include "interp/Environment.h"
#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace quarn::build {

inline NodePtr integer(std::int64_t v) { return makeNode(IntNode{v}); }
inline NodePtr real(float v) { return makeNode(FloatNode{v}); }
inline NodePtr text(std::string v) { return makeNode(StringNode{std::move(v)}); }
inline NodePtr boolean(bool v) { return makeNode(BoolNode{v}); }
inline NodePtr name(std::string n) { return makeNode(IdentifierNode{std::move(n)}); }
inline NodePtr binary(NodePtr left, TokenKind op, NodePtr right) {
  return makeNode(BinaryOpNode{std::move(left), Token::make(op), std::move(right)});
}
inline BlockNode block(NodeList statements) { return BlockNode{std::move(statements)}; }
inline NodePtr nested(NodeList statements) { return makeNode(BlockNode{std::move(statements)}); }
inline NodePtr declare(std::string n, NodePtr value, bool isConst = false) {
  return makeNode(VariableDeclarationNode{isConst, "int", std::move(n), std::move(value)});
}
inline NodePtr assign(std::string n, NodePtr value) { return makeNode(AssignmentNode{std::move(n), std::move(value)}); }
// n = n + 1;
inline NodePtr increment(const std::string& n) { return assign(n, binary(name(n), TokenKind::plus, integer(1))); }
inline NodePtr loop(NodePtr condition, NodeList body) {
  return makeNode(WhileNode{std::move(condition), block(std::move(body))});
}
inline NodePtr when(NodePtr condition, NodeList thenBranch, std::optional<NodeList> elseBranch = std::nullopt) {
  std::optional<BlockNode> otherwise;
  if (elseBranch) otherwise = block(std::move(*elseBranch));
  return makeNode(IfNode{std::move(condition), block(std::move(thenBranch)), std::move(otherwise)});
}
inline NodePtr async(NodeList body) { return makeNode(AsyncNode{block(std::move(body))}); }
inline NodePtr method(std::string n, NodeList body) { return makeNode(FunctionDeclNode{std::move(n), block(std::move(body))}); }
inline NodePtr send(std::string receiver, std::string selector, NodeList arguments = {}) {
  return makeNode(MethodCallNode{IdentifierNode{std::move(receiver)}, std::move(selector), std::move(arguments)});
}
inline NodePtr send(std::string receiver, std::string selector, NodePtr argument) {
  return send(std::move(receiver), std::move(selector), NodeList{std::move(argument)});
}
inline ProgramNode program(NodeList statements) { return ProgramNode{std::move(statements)}; }

}  // namespace quarn::build

namespace quarn {

// Polls until the condition holds; false after a generous deadline (a safety
// net against hanging, not a measure of speed).
inline bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class RunFixture : public ::testing::Test {
protected:
  RunFixture() {
    setLineSink([this](std::string_view line) {
      std::lock_guard<std::mutex> hold(linesMutex_);
      lines_.emplace_back(line);
    });
    engine->isRunning = true;
  }
  ~RunFixture() override {
    evaluator->waitForAsyncBodies();
    setLineSink({});
  }

  std::shared_ptr<Evaluator> newRun() {
    return std::make_shared<Evaluator>(engine, std::make_shared<Environment>());
  }

  void run(NodeList statements) { evaluator->execute(Node{NodeVariant{build::program(std::move(statements))}}); }

  std::optional<QuarnValue> variable(const std::string& n) const { return evaluator->environment->get(n); }
  std::int64_t intVariable(const std::string& n) const {
    auto value = variable(n);
    return value && value->kind() == ValueKind::intValue ? value->asInt() : -1;
  }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> hold(linesMutex_);
    return lines_;
  }

  SynthVoice& voice() const { return *engine->synth->pointer; }

  std::shared_ptr<EngineManager> engine =
      std::make_shared<EngineManager>(std::filesystem::temp_directory_path() / "quarn-no-samples", AudioOutput::none);
  std::shared_ptr<Evaluator> evaluator = newRun();

private:
  mutable std::mutex linesMutex_;
  std::vector<std::string> lines_;
};

inline const std::string kLoopGuardLine =
    "[VRKLog] SYSTEM OVERLOAD: Infinite loop detected! For hardware protection, forcibly exit while loop.";

}  // namespace quarn
