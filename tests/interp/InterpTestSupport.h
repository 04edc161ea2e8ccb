// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Values described, parsing, and a fixture with a silent engine, one run and its lines.
#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "frontend/Parser.h"
#include "interp/Evaluator.h"
#include "support/Diagnostics.h"

namespace quarn {

// Nine digits tell every float apart.
inline std::string describe(const QuarnValue& v) {
  std::ostringstream out;
  out.precision(9);
  switch (v.kind()) {
    case ValueKind::intValue: out << "int " << v.asInt(); break;
    case ValueKind::floatValue: out << "float " << v.asFloat(); break;
    case ValueKind::stringValue: out << '"' << v.asString() << '"'; break;
    case ValueKind::arrayValue:
      for (const QuarnValue& element : v.asArray()) out << describe(element) << ';';
      return "[" + out.str() + "]";
    default: out << (v.kind() == ValueKind::none ? "none" : "bool"); break;
  }
  return out.str();
}

inline QuarnValue I(std::int64_t v) { return QuarnValue::makeInt(v); }
inline QuarnValue F(float v) { return QuarnValue::makeFloat(v); }
inline QuarnValue S(std::string v) { return QuarnValue::makeString(std::move(v)); }
inline QuarnValue A(QuarnArray v) { return QuarnValue::makeArray(std::move(v)); }

// Polls until the condition holds; false after some 30 s (a guard against hanging, not a measure of speed).
inline bool eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 30000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return condition();
}

// The parsed program; an empty one (and a failure) when the source does not parse.
inline ProgramNode parse(const std::string& source) {
  ParseResult parsed = parseScript(source);
  EXPECT_TRUE(parsed.ok()) << parsed.error;
  return parsed.ok() ? std::move(*parsed.program) : ProgramNode{};
}
inline Node parsedNode(const std::string& source) { return Node{NodeVariant{parse(source)}, {}}; }

class RunFixture : public ::testing::Test {
protected:
  explicit RunFixture(std::shared_ptr<EngineManager> runEngine = std::make_shared<EngineManager>(
                          std::filesystem::temp_directory_path() / "quarn-no-samples", AudioOutput::none))
      : engine(std::move(runEngine)) {
    setLineSink([this](std::string_view s) { std::lock_guard<std::mutex> hold(linesMutex_); lines_.emplace_back(s); });
    engine->isRunning = true;
  }
  ~RunFixture() override { evaluator->waitForAsyncBodies(); setLineSink({}); }

  std::shared_ptr<Evaluator> newRun() { return std::make_shared<Evaluator>(engine, std::make_shared<Environment>()); }
  void run(const std::string& source) { evaluator->execute(parsedNode(source)); }
  std::int64_t intVariable(const std::string& n) const {  // -1 when absent
    auto value = evaluator->environment->get(n);
    return value && value->kind() == ValueKind::intValue ? value->asInt() : -1;
  }
  std::vector<std::string> lines() const { std::lock_guard<std::mutex> hold(linesMutex_); return lines_; }
  SynthVoice& voice() const { return *engine->synth->pointer; }

  std::shared_ptr<EngineManager> engine;
  std::shared_ptr<Evaluator> evaluator = newRun();
  mutable std::mutex linesMutex_;
  std::vector<std::string> lines_;
};

}  // namespace quarn
