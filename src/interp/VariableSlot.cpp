// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/VariableSlot.h"

#include <bit>
#include <thread>
#include <utility>

namespace quarn {
namespace {

// Spins this often on a held lock before yielding the processor to its holder.
constexpr int kSpinsBeforeYield = 64;

std::uint64_t scalarBits(const QuarnValue& value) {
  switch (value.kind()) {
    case ValueKind::intValue: return static_cast<std::uint64_t>(value.asInt());
    case ValueKind::floatValue: return std::bit_cast<std::uint32_t>(value.asFloat());
    case ValueKind::boolValue: return value.asBool() ? 1 : 0;
    default: return 0;
  }
}

}  // namespace

std::uint32_t VariableSlot::lock() const {
  std::uint32_t locked = 0;
  for (int spins = 0; !tryLock(locked); ++spins) {
    if (spins >= kSpinsBeforeYield) std::this_thread::yield();
  }
  return locked;
}

// A string or array, or a read that met a writer: scalars are retried without
// the lock while a writer works; shared storage is copied under the lock.
bool VariableSlot::readSlowly(QuarnValue& out) const {
  for (Snapshot seen = snapshot();; seen = snapshot()) {
    if (seen.isSteady && isScalar(seen.kind)) return seen.readInto(out);
    if (seen.isSteady) break;
    std::this_thread::yield();
  }
  const std::uint32_t locked = lock();
  const Snapshot held{true, static_cast<State>(state_.load(std::memory_order_relaxed)),
                      static_cast<ValueKind>(kind_.load(std::memory_order_relaxed)),
                      bits_.load(std::memory_order_relaxed)};
  const bool declared = held.state != undeclared;
  if (declared && isScalar(held.kind)) {
    held.readInto(out);
  } else if (declared) {
    out = shared_;
  }
  unlock(locked);
  return declared;
}

void VariableSlot::store(QuarnValue& value) {
  const ValueKind kind = value.kind();
  kind_.store(static_cast<std::uint8_t>(kind), std::memory_order_relaxed);
  if (isScalar(kind)) {
    bits_.store(scalarBits(value), std::memory_order_relaxed);
    value = QuarnValue::none();
  }
  std::swap(shared_, value);
}

void VariableSlot::define(QuarnValue value, bool isConst) {
  const std::uint32_t locked = lock();
  if (state_.load(std::memory_order_relaxed) == undeclared) {
    store(value);
    state_.store(isConst ? constant : variable, std::memory_order_relaxed);
  }
  unlock(locked);
}

void VariableSlot::assignSlowly(QuarnValue value) {
  const std::uint32_t locked = lock();
  if (state_.load(std::memory_order_relaxed) == variable) store(value);
  unlock(locked);
}

}  // namespace quarn
