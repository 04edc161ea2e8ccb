// SPDX-License-Identifier: GPL-3.0-or-later
// Message sends to the three built-in receivers: self (wait and method calls),
// sampler (play and rate) and tb303 (the voice), each resolved to its step when
// compiled. One line per rejected send.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "frontend/Sends.h"
#include "interp/CodeSteps.h"
#include "interp/Tb303Sends.h"
#include "interp/Vocabulary.h"
#include "support/Diagnostics.h"

namespace quarn {

namespace {

// Method bodies running on this thread; every job runs to its end on one worker,
// so the count bounds the stack depth that method calls build.
thread_local int methodCallDepth = 0;

class CallDepthScope {
public:
  CallDepthScope() { ++methodCallDepth; }
  ~CallDepthScope() { --methodCallDepth; }
  CallDepthScope(const CallDepthScope&) = delete;
  CallDepthScope& operator=(const CallDepthScope&) = delete;
};

// Into [0, 1]; NaN becomes 1.
float clampUnit(float v) {
  const float upper = std::isnan(v) ? 1.0f : std::min(v, 1.0f);
  return upper < 0.0f ? 0.0f : upper;
}

struct Tb303Selector {
  SelectorId selector;
  bool needsNumber;   // a non-number argument makes the send do nothing
  SoundEventKind kind;
  bool clampsToUnit;  // the value is kept in [0, 1]
};

// release (the halt kind) is the engine's halt: every thread of every run stops
// at its next statement, and the sound stops at the release's own stamp.
constexpr std::array<Tb303Selector, 8> kTb303Selectors{{
    {SelectorId::setFrequency, true, SoundEventKind::voiceFrequency, false},
    {SelectorId::setCutoff, true, SoundEventKind::voiceCutoff, true},
    {SelectorId::setResonance, true, SoundEventKind::voiceResonance, true},
    {SelectorId::setDecay, true, SoundEventKind::voiceDecay, true},
    {SelectorId::setAccent, true, SoundEventKind::voiceAccent, true},
    {SelectorId::setSlide, true, SoundEventKind::voiceSlide, true},
    {SelectorId::release, false, SoundEventKind::halt, false},
    {SelectorId::play, false, SoundEventKind::voicePlay, false},
}};

const Tb303Selector* findTb303Selector(SelectorId selector) {
  for (const Tb303Selector& entry : kTb303Selectors) {
    if (entry.selector == selector) {
      return &entry;
    }
  }
  return nullptr;
}

QuarnValue firstArgument(const Code& send, Evaluator& run) {
  return send.first ? send.first->evaluate(*send.first, run) : QuarnValue::none();
}

void unknownReceiver(const Code& send, Evaluator&) {
  printLine("Unknown Receiver: " + *send.name + " object could not be found.", send.sourceOffset);
}

void wait(const Code& send, Evaluator& run) {
  if (send.first) {
    run.waitSeconds(static_cast<double>(firstArgument(send, run).floatView()), send.sourceOffset);
  }
}

// A declared method runs on this thread with the run's one scope; no argument
// is evaluated. A chain of calls deeper than kMaxCallDepth stops the run
// instead of exhausting the stack.
void callMethod(const Code& send, Evaluator& run) {
  const MethodCode* method = send.methodSlot->method.load(std::memory_order_acquire);
  if (method == nullptr) {
    printLine(logLine("Error: It is an undeclared function - ", *send.name), send.sourceOffset);
    return;
  }
  if (methodCallDepth >= kMaxCallDepth) {
    printLine(logLine("Call depth limit exceeded: method '", method->name, "' called more than ",
                      std::to_string(kMaxCallDepth), " levels deep; run stopped."),
              send.sourceOffset);
    run.stopRun();
    return;
  }
  CallDepthScope scope;
  run.runBlock(method->body);
}

// The argument is evaluated before the selector is looked at, so an unknown
// selector still shows the argument's reference errors.
void samplerPlay(const Code& send, Evaluator& run) {
  const QuarnValue value = firstArgument(send, run);
  if (value.kind() == ValueKind::stringValue) {
    run.engine->playSample(value.asString(), run.soundStamp(), send.sourceOffset);
  } else {
    printLine("play: Method requires a string file name.", send.sourceOffset);
  }
}

void samplerRate(const Code& send, Evaluator& run) {
  const QuarnValue value = firstArgument(send, run);
  if (value.isNumber()) {
    run.engine->setSamplerRate(value.floatView(), run.soundStamp(), send.sourceOffset);
  } else {
    printLine(logLine("setRate: Method requires a number (int, float)."), send.sourceOffset);
  }
}

void samplerUnknown(const Code& send, Evaluator& run) {
  firstArgument(send, run);
  printLine(logLine("Unknown Selector: -[sampler ", *send.name, "]"), send.sourceOffset);
}

// Wrong arguments and unknown selectors (no entry) are ignored without a word.
void tb303(const Code& send, Evaluator& run) {
  float v = 0.0f;
  bool isNumber = true;
  if (send.first) {
    const QuarnValue value = firstArgument(send, run);
    isNumber = value.isNumber();
    if (isNumber) {
      v = value.floatView();
    }
  }
  const auto* entry = static_cast<const Tb303Selector*>(send.detail);
  if (entry == nullptr || (entry->needsNumber && !isNumber)) {
    return;
  }
  const SoundStamp when = run.soundStamp();
  if (entry->kind == SoundEventKind::halt) {
    run.engine->halt(when.frame);
  } else {
    run.engine->changeVoice(entry->kind, entry->clampsToUnit ? clampUnit(v) : v, when);
  }
}

struct SamplerSelector {
  SelectorId selector;
  ExecuteCode step;
};

constexpr std::array<SamplerSelector, 2> kSamplerSelectors{{
    {SelectorId::playFile, &samplerPlay},
    {SelectorId::setRate, &samplerRate},
}};

ExecuteCode samplerSend(SelectorId selector) {
  for (const SamplerSelector& entry : kSamplerSelectors) {
    if (entry.selector == selector) return entry.step;
  }
  return &samplerUnknown;
}

template <class Table>
std::vector<std::string_view> namesIn(const Table& table) {
  std::vector<std::string_view> names;
  for (const auto& entry : table) names.push_back(selectorName(entry.selector));
  return names;
}

}  // namespace

std::vector<std::string_view> selectorsOf(std::string_view receiver) {
  if (receiver == "tb303") return namesIn(kTb303Selectors);
  if (receiver == "sampler") return namesIn(kSamplerSelectors);
  if (receiver == "self") return {selectorName(SelectorId::wait)};
  return {};
}

Tb303SendUse tb303SendUse(SelectorId selector) {
  const Tb303Selector* entry = findTb303Selector(selector);
  return entry == nullptr ? Tb303SendUse{} : Tb303SendUse{true, entry->needsNumber};
}

ExecuteCode CodeSteps::send(const MethodCallNode& call, const void*& detail) {
  switch (call.receiverId) {
    case ReceiverId::self: return callsMethod(call) ? &callMethod : &wait;
    case ReceiverId::sampler: return samplerSend(call.selectorId);
    case ReceiverId::tb303: detail = findTb303Selector(call.selectorId); return &tb303;
    case ReceiverId::unknown: break;
  }
  return &unknownReceiver;
}

}  // namespace quarn

