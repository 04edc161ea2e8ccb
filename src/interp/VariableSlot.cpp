#include "interp/VariableSlot.h"

#include <bit>
#include <thread>
#include <utility>

namespace quarn {
namespace {

// Spins this often on a held lock before yielding the processor to its holder.
constexpr int kSpinsBeforeYield = 64;

bool isScalar(ValueKind kind) { return kind != ValueKind::stringValue && kind != ValueKind::arrayValue; }

std::uint64_t scalarBits(const QuarnValue& value) {
  switch (value.kind()) {
    case ValueKind::intValue: return static_cast<std::uint64_t>(value.asInt());
    case ValueKind::floatValue: return std::bit_cast<std::uint32_t>(value.asFloat());
    case ValueKind::boolValue: return value.asBool() ? 1 : 0;
    default: return 0;
  }
}

QuarnValue fromScalarBits(ValueKind kind, std::uint64_t bits) {
  switch (kind) {
    case ValueKind::intValue: return QuarnValue::makeInt(static_cast<std::int64_t>(bits));
    case ValueKind::floatValue: return QuarnValue::makeFloat(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    case ValueKind::boolValue: return QuarnValue::makeBool(bits != 0);
    default: return QuarnValue::none();
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

// Every kind but the int the inline path takes; retried while a writer works.
bool VariableSlot::readSlowly(QuarnValue& out) const {
  for (;;) {
    const std::uint32_t before = sequence_.load(std::memory_order_acquire);
    if ((before & 1) == 0) {
      const auto state = state_.load(std::memory_order_relaxed);
      const auto kind = static_cast<ValueKind>(kind_.load(std::memory_order_relaxed));
      const std::uint64_t bits = bits_.load(std::memory_order_relaxed);
      std::atomic_thread_fence(std::memory_order_acquire);
      if (sequence_.load(std::memory_order_relaxed) == before) {
        if (state == undeclared) return false;
        if (isScalar(kind)) {
          out = fromScalarBits(kind, bits);
          return true;
        }
        break;  // shared storage is copied under the lock
      }
    }
    std::this_thread::yield();
  }
  const std::uint32_t locked = lock();
  const bool declared = state_.load(std::memory_order_relaxed) != undeclared;
  const auto kind = static_cast<ValueKind>(kind_.load(std::memory_order_relaxed));
  if (declared) out = isScalar(kind) ? fromScalarBits(kind, bits_.load(std::memory_order_relaxed)) : shared_;
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
