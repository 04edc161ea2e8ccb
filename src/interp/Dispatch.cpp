// Message sends to the three built-in receivers: self (wait and method calls),
// sampler (play and rate) and tb303 (the voice). One line per rejected send.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "interp/Evaluator.h"
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
constexpr std::array<Tb303Selector, 5> kTb303Selectors{{
    {SelectorId::setFrequency, true, SoundEventKind::voiceFrequency, false},
    {SelectorId::setCutoff, true, SoundEventKind::voiceCutoff, true},
    {SelectorId::setResonance, true, SoundEventKind::voiceResonance, true},
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

}  // namespace

void Evaluator::handleMethodCall(const MethodCallNode& call) {
  switch (call.receiverId) {
    case ReceiverId::self: sendToSelf(call); return;
    case ReceiverId::sampler: sendToSampler(call); return;
    case ReceiverId::tb303: sendToTb303(call); return;
    case ReceiverId::unknown: break;
  }
  printLine("Unknown Receiver: " + call.receiver.name + " object could not be found.");
}

void Evaluator::sendToSelf(const MethodCallNode& call) {
  if (call.selectorId != SelectorId::wait) {
    callMethod(call);  // no argument is evaluated
    return;
  }
  if (call.arguments.empty()) {
    return;
  }
  const float seconds = evaluateOrNone(call.arguments.front()).floatView();
  waitSeconds(static_cast<double>(seconds));
}

// The argument is evaluated before the selector is looked at, so an unknown
// selector still shows the argument's reference errors.
void Evaluator::sendToSampler(const MethodCallNode& call) {
  const QuarnValue value = call.arguments.empty() ? QuarnValue::none() : evaluateOrNone(call.arguments.front());
  if (call.selectorId == SelectorId::playFile) {
    if (value.kind() == ValueKind::stringValue) {
      engine->playSample(value.asString(), soundStamp());
    } else {
      printLine("play: Method requires a string file name.");
    }
  } else if (call.selectorId == SelectorId::setRate) {
    if (value.isNumber()) {
      engine->setSamplerRate(value.floatView(), soundStamp());
    } else {
      printLine("[VRKLog] setRate: Method requires a number (int, float).");
    }
  } else {
    printLine("[VRKLog] Unknown Selector: -[sampler " + call.methodName + "]");
  }
}

// Wrong arguments and unknown selectors are ignored without a word.
void Evaluator::sendToTb303(const MethodCallNode& call) {
  float v = 0.0f;
  bool isNumber = true;
  if (!call.arguments.empty()) {
    const QuarnValue value = evaluateOrNone(call.arguments.front());
    isNumber = value.isNumber();
    if (isNumber) {
      v = value.floatView();
    }
  }
  const Tb303Selector* entry = findTb303Selector(call.selectorId);
  if (entry == nullptr || (entry->needsNumber && !isNumber)) {
    return;
  }
  const SoundStamp when = soundStamp();
  if (entry->kind == SoundEventKind::halt) {
    engine->halt(when.frame);
  } else {
    engine->changeVoice(entry->kind, entry->clampsToUnit ? clampUnit(v) : v, when);
  }
}

// A declared method runs on this thread with the run's one scope. A chain of
// calls deeper than kMaxCallDepth stops the run instead of exhausting the stack.
void Evaluator::callMethod(const MethodCallNode& call) {
  const std::shared_ptr<const FunctionDeclNode> method =
      environment->methodNamed(usableSlot(call.functionSlot), call.functionName);
  if (!method) {
    printLine("[VRKLog] Error: It is an undeclared function - " + call.functionName);
    return;
  }
  if (methodCallDepth >= kMaxCallDepth) {
    printLine("[VRKLog] Call depth limit exceeded: method '" + method->name + "' called more than " +
              std::to_string(kMaxCallDepth) + " levels deep; run stopped.");
    stopRun();
    return;
  }
  CallDepthScope scope;
  executeBlock(method->body);
}

}  // namespace quarn
