// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One variable of the run's flat scope: undeclared until its first definition,
// then a variable or a constant. Each operation is atomic; called from any
// thread of the run.
//
// The slot's sequence number is both a lock and a seqlock: writers (and
// readers of a string or array, which must copy shared storage) take it by
// making it odd; readers of an int, float, bool or none take no lock, they
// read the payload between two equal even sequence numbers and retry
// otherwise. Every field the lock-free read touches is atomic.

#include <atomic>
#include <bit>
#include <cstdint>

#include "interp/QuarnValue.h"

namespace quarn {

class VariableSlot {
public:
  // False when never declared.
  bool read(QuarnValue& out) const {
    const Snapshot seen = snapshot();
    if (seen.isSteady && isScalar(seen.kind)) return seen.readInto(out);
    return readSlowly(out);
  }
  // Ignored once declared (a redeclaration changes nothing).
  void define(QuarnValue value, bool isConst);
  // Ignored for constants and for undeclared slots.
  void assign(QuarnValue value) {
    // An int over an int: nothing shared to swap out, so the store is done here.
    const auto intKind = static_cast<std::uint8_t>(ValueKind::intValue);
    std::uint32_t locked = 0;
    if (value.kind() == ValueKind::intValue && kind_.load(std::memory_order_relaxed) == intKind && tryLock(locked)) {
      const bool done = state_.load(std::memory_order_relaxed) == variable &&
                        kind_.load(std::memory_order_relaxed) == intKind;
      if (done) bits_.store(static_cast<std::uint64_t>(value.asInt()), std::memory_order_relaxed);
      unlock(locked);
      if (done) return;
    }
    assignSlowly(std::move(value));
  }

private:
  enum State : std::uint8_t { undeclared, variable, constant };

  static bool isScalar(ValueKind kind) { return kind != ValueKind::stringValue && kind != ValueKind::arrayValue; }

  // The fields as one lock-free read saw them; steady when no writer worked meanwhile.
  struct Snapshot {
    bool isSteady;
    State state;
    ValueKind kind;
    std::uint64_t bits;

    // A scalar (or undeclared) slot's value; false when undeclared.
    bool readInto(QuarnValue& out) const {
      if (state == undeclared) return false;
      switch (kind) {
        case ValueKind::intValue: out = QuarnValue::makeInt(static_cast<std::int64_t>(bits)); break;
        case ValueKind::floatValue:
          out = QuarnValue::makeFloat(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
          break;
        case ValueKind::boolValue: out = QuarnValue::makeBool(bits != 0); break;
        default: out = QuarnValue::none(); break;
      }
      return true;
    }
  };
  Snapshot snapshot() const {
    const std::uint32_t before = sequence_.load(std::memory_order_acquire);
    const auto state = static_cast<State>(state_.load(std::memory_order_relaxed));
    const auto kind = static_cast<ValueKind>(kind_.load(std::memory_order_relaxed));
    const std::uint64_t bits = bits_.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    const bool steady = (before & 1) == 0 && sequence_.load(std::memory_order_relaxed) == before;
    return {steady, state, kind, bits};
  }

  bool readSlowly(QuarnValue& out) const;
  void assignSlowly(QuarnValue value);
  std::uint32_t lock() const;
  // Takes the lock if it is free: the sequence number made odd.
  bool tryLock(std::uint32_t& locked) const {
    std::uint32_t seen = sequence_.load(std::memory_order_relaxed);
    if ((seen & 1) != 0 ||
        !sequence_.compare_exchange_weak(seen, seen + 1, std::memory_order_acquire, std::memory_order_relaxed)) {
      return false;
    }
    // The payload stores that follow may not become visible before the odd number.
    std::atomic_thread_fence(std::memory_order_release);
    locked = seen + 1;
    return true;
  }
  void unlock(std::uint32_t locked) const { sequence_.store(locked + 1, std::memory_order_release); }
  // Lock held: stores value, handing back the string or array it replaces so
  // it is freed after the lock is released.
  void store(QuarnValue& value);

  mutable std::atomic<std::uint32_t> sequence_{0};
  std::atomic<std::uint8_t> state_{undeclared};
  std::atomic<std::uint8_t> kind_{static_cast<std::uint8_t>(ValueKind::none)};
  std::atomic<std::uint64_t> bits_{0};  // int, float and bool payloads
  QuarnValue shared_;                   // string and array payloads; lock held
};

}  // namespace quarn
