#include "interp/Environment.h"

#include <array>
#include <string_view>
#include <utility>

namespace quarn {

namespace {

struct BuiltInConstant {
  std::string_view name;
  float value;
};

// Defined in this order by every fresh environment, all constant.
constexpr std::array<BuiltInConstant, 6> kBuiltInConstants{{
    {"FrequencyHigh", 1.0f},
    {"FrequencyLow", 0.1f},
    {"Maximum", 1.0f},
    {"Minimum", 0.0f},
    {"Braindance", 0.6f},
    {"Acid", 0.85f},
}};

}  // namespace

Environment::Environment() {
  for (const BuiltInConstant& constant : kBuiltInConstants) {
    define(std::string(constant.name), QuarnValue::makeFloat(constant.value), true);
  }
}

bool Environment::bindNames(const std::shared_ptr<const SlotNames>& names) {
  std::lock_guard guard(lock);
  if (boundNames) return boundNames == names;
  boundNames = names;
  boundSlots.reserve(names->size());
  for (const std::string& name : *names) boundSlots.push_back(slotNamedLocked(name, true));
  boundCount.store(boundSlots.size(), std::memory_order_release);
  return true;
}

VariableSlot* Environment::slotNamedLocked(const std::string& name, bool add) const {
  const auto entry = slotsByName.find(name);
  if (entry != slotsByName.end()) return entry->second;
  if (!add) return nullptr;
  VariableSlot* made = &slotStore.emplace_back();
  slotsByName.emplace(name, made);
  return made;
}

VariableSlot* Environment::slotByName(const std::string& name, bool add) const {
  std::lock_guard guard(lock);
  return slotNamedLocked(name, add);
}

void Environment::define(SlotId slot, const std::string& name, QuarnValue value, bool isConst) {
  slotFor(slot, name, true)->define(std::move(value), isConst);
}

std::optional<QuarnValue> Environment::get(const std::string& name) const {
  QuarnValue value;
  if (!get(kUnresolvedSlot, name, value)) return std::nullopt;
  return value;
}

void Environment::defineFunction(const FunctionDeclNode& declaration) {
  // Copy before locking; the replaced declaration is freed after unlocking.
  auto incoming = std::make_shared<const FunctionDeclNode>(declaration);
  std::lock_guard guard(lock);
  auto [entry, inserted] = functions.try_emplace(incoming->name);
  std::swap(entry->second, incoming);
  functionsStamp.store(nextStamp(), std::memory_order_release);
}

// Each thread keeps its last answer: a loop sending the same selector finds
// its method without a lock or a string until a method is declared again.
// The stamps come from one counter for all environments, and bound slots
// never change meaning within one, so an answer is never taken for another
// environment, another name or an older set of methods.
std::shared_ptr<const FunctionDeclNode> Environment::methodNamed(SlotId slot, const std::string& name) const {
  struct LastAnswer {
    std::uint64_t stamp = 0;
    SlotId slot = kUnresolvedSlot;
    std::shared_ptr<const FunctionDeclNode> method;
  };
  thread_local LastAnswer last;
  const std::uint64_t stamp = functionsStamp.load(std::memory_order_acquire);
  const bool isBound = slot < boundCount.load(std::memory_order_acquire);
  if (isBound && last.stamp == stamp && last.slot == slot) return last.method;
  std::shared_ptr<const FunctionDeclNode> method = getFunction(name);
  if (isBound) last = LastAnswer{stamp, slot, method};
  return method;
}

std::uint64_t Environment::nextStamp() {
  static std::atomic<std::uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::shared_ptr<const FunctionDeclNode> Environment::getFunction(const std::string& name) const {
  std::lock_guard guard(lock);
  auto entry = functions.find(name);
  return entry == functions.end() ? nullptr : entry->second;
}

}  // namespace quarn
