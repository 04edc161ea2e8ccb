// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/Environment.h"
#include "interp/Vocabulary.h"

#include <algorithm>
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

std::vector<std::string_view> builtInConstantNames() {
  std::vector<std::string_view> names;
  for (const BuiltInConstant& constant : kBuiltInConstants) names.push_back(constant.name);
  return names;
}

Environment::Environment() {
  for (const BuiltInConstant& constant : kBuiltInConstants) {
    define(std::string(constant.name), QuarnValue::makeFloat(constant.value), true);
  }
}

template <class Slot>
Slot& Environment::slotIn(std::deque<Slot>& store, std::unordered_map<std::string, Slot*>& byName,
                         const std::string& name) {
  const auto entry = byName.find(name);
  if (entry != byName.end()) return *entry->second;
  Slot& made = store.emplace_back();
  byName.emplace(name, &made);
  return made;
}

VariableSlot& Environment::variable(const std::string& name) {
  std::lock_guard guard(lock);
  return slotIn(variables_, variablesByName_, name);
}

MethodSlot& Environment::methodSlot(const std::string& name) {
  std::lock_guard guard(lock);
  return slotIn(methods_, methodsByName_, name);
}

std::optional<QuarnValue> Environment::get(const std::string& name) const {
  const VariableSlot* found = nullptr;
  {
    std::lock_guard guard(lock);
    const auto entry = variablesByName_.find(name);
    if (entry != variablesByName_.end()) found = entry->second;
  }
  QuarnValue value;
  if (found == nullptr || !found->read(value)) return std::nullopt;
  return value;
}

void Environment::defineMethod(MethodSlot& slot, const MethodCode& method, std::shared_ptr<const CodeTree> owner) {
  std::lock_guard guard(lock);
  if (std::find(methodOwners_.rbegin(), methodOwners_.rend(), owner) == methodOwners_.rend()) {
    methodOwners_.push_back(std::move(owner));
  }
  slot.method.store(&method, std::memory_order_release);
}

const MethodCode* Environment::method(const std::string& name) const {
  std::lock_guard guard(lock);
  const auto entry = methodsByName_.find(name);
  return entry == methodsByName_.end() ? nullptr : entry->second->method.load(std::memory_order_acquire);
}

}  // namespace quarn
