#pragma once
// Shared pieces of the interpreter tests (test threads only): a readable form of values, short tree
// builders, and a fixture with a silent engine, one run and the lines it prints.

#include <gmock/gmock.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "frontend/Sends.h"
#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace quarn {

// Nine digits tell every float apart (-0.0 reads "-0"); every NaN reads "nan".
inline std::string describe(const QuarnValue& v) {
  std::ostringstream out;
  out.precision(9);
  switch (v.kind()) {
    case ValueKind::intValue: out << "int " << v.asInt(); break;
    case ValueKind::floatValue: out << "float " << (std::isnan(v.asFloat()) ? NAN : v.asFloat()); break;
    case ValueKind::stringValue: out << '"' << v.asString() << '"'; break;
    case ValueKind::boolValue: out << (v.asBool() ? "true" : "false"); break;
    case ValueKind::arrayValue:
      for (const QuarnValue& element : v.asArray()) out << describe(element) << ';';
      return "[" + out.str() + "]";
    case ValueKind::none: out << "none"; break;
  }
  return out.str();
}

inline QuarnValue I(std::int64_t v) { return QuarnValue::makeInt(v); }
inline QuarnValue F(float v) { return QuarnValue::makeFloat(v); }
inline QuarnValue S(std::string v) { return QuarnValue::makeString(std::move(v)); }
inline QuarnValue B(bool v) { return QuarnValue::makeBool(v); }
inline QuarnValue A(QuarnArray v) { return QuarnValue::makeArray(std::move(v)); }
inline QuarnValue N() { return QuarnValue::none(); }

// Polls until the condition holds; false after some 30 s (a guard against hanging, not a measure of speed).
inline bool eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 30000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return condition();
}

namespace build {
inline NodePtr integer(std::int64_t v) { return makeNode(IntNode{v}); }
inline NodePtr real(float v) { return makeNode(FloatNode{v}); }
inline NodePtr text(std::string v) { return makeNode(StringNode{std::move(v)}); }
inline NodePtr name(std::string n) { return makeNode(IdentifierNode{std::move(n)}); }
inline NodePtr declare(std::string n, NodePtr v) { return makeNode(VariableDeclarationNode{false, "int", n, v}); }
inline NodePtr binary(NodePtr l, TokenKind op, NodePtr r) { return makeNode(BinaryOpNode{l, Token::make(op), r}); }
inline NodePtr increment(const std::string& n) {
  return makeNode(AssignmentNode{n, binary(name(n), TokenKind::plus, integer(1))});
}
inline NodePtr loopBelow(const std::string& n, std::int64_t limit, NodeList body) {
  return makeNode(WhileNode{binary(name(n), TokenKind::lessThan, integer(limit)), BlockNode{std::move(body)}});
}
inline NodePtr async(NodeList body) { return makeNode(AsyncNode{BlockNode{std::move(body)}}); }
inline NodePtr method(std::string n, NodeList body) { return makeNode(FunctionDeclNode{n, BlockNode{body}}); }
inline NodePtr send(std::string receiver, std::string selector, NodeList arguments = {}) {
  MethodCallNode call;
  call.receiver.name = std::move(receiver);
  call.methodName = std::move(selector);
  call.arguments = std::move(arguments);
  resolveSend(call);
  return makeNode(std::move(call));
}
inline Node program(NodeList statements) { return Node{NodeVariant{ProgramNode{std::move(statements), nullptr}}}; }
}  // namespace build

class RunFixture : public ::testing::Test {
protected:
  RunFixture() {
    setLineSink([this](std::string_view s) { std::lock_guard<std::mutex> hold(linesMutex_); lines_.emplace_back(s); });
    engine->isRunning = true;
  }
  ~RunFixture() override { evaluator->waitForAsyncBodies(); setLineSink({}); }

  std::shared_ptr<Evaluator> newRun() { return std::make_shared<Evaluator>(engine, std::make_shared<Environment>()); }
  void run(NodeList statements) { evaluator->execute(build::program(std::move(statements))); }
  std::int64_t intVariable(const std::string& n) const {  // -1 when absent
    auto value = evaluator->environment->get(n);
    return value && value->kind() == ValueKind::intValue ? value->asInt() : -1;
  }
  std::vector<std::string> lines() const { std::lock_guard<std::mutex> hold(linesMutex_); return lines_; }
  SynthVoice& voice() const { return *engine->synth->pointer; }

  std::shared_ptr<EngineManager> engine =
      std::make_shared<EngineManager>(std::filesystem::temp_directory_path() / "quarn-no-samples", AudioOutput::none);
  std::shared_ptr<Evaluator> evaluator = newRun();
  mutable std::mutex linesMutex_;
  std::vector<std::string> lines_;
};

}  // namespace quarn
