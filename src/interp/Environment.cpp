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

void Environment::define(const std::string& name, QuarnValue value, bool isConst) {
  std::lock_guard guard(lock);
  auto [entry, inserted] = store.try_emplace(name, std::move(value));
  if (inserted && isConst) {
    constants.insert(name);
  }
}

void Environment::assign(const std::string& name, QuarnValue value) {
  std::lock_guard guard(lock);
  if (constants.contains(name)) {
    return;
  }
  auto entry = store.find(name);
  if (entry != store.end()) {
    // The old value leaves through the parameter and is freed after the lock is released.
    std::swap(entry->second, value);
  }
}

std::optional<QuarnValue> Environment::get(const std::string& name) const {
  std::lock_guard guard(lock);
  auto entry = store.find(name);
  if (entry == store.end()) {
    return std::nullopt;
  }
  return entry->second;
}

void Environment::defineFunction(const FunctionDeclNode& declaration) {
  // Copy before locking; the replaced declaration is freed after unlocking.
  auto incoming = std::make_shared<const FunctionDeclNode>(declaration);
  std::lock_guard guard(lock);
  auto [entry, inserted] = functions.try_emplace(incoming->name);
  std::swap(entry->second, incoming);
}

std::shared_ptr<const FunctionDeclNode> Environment::getFunction(const std::string& name) const {
  std::lock_guard guard(lock);
  auto entry = functions.find(name);
  return entry == functions.end() ? nullptr : entry->second;
}

}  // namespace quarn
