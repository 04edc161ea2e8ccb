#pragma once
// The one flat scope of a run: variables and constants, each in its own
// VariableSlot, and declared methods in `functions`. Called from any thread of
// the run. Names arrive NFC-normalised from the lexer, so keys compare as
// plain strings.
//
// The names a program uses are bound to slots before its statements run, so
// a node carrying a slot reaches its variable without a string look-up or a
// lock; a name outside the bound program is found (or added) by name under
// `lock`, which is held for one look-up and never while calling out.

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/Ast.h"
#include "interp/QuarnValue.h"
#include "interp/VariableSlot.h"

namespace quarn {

class Environment {
public:
  // Starts with the six built-in constants.
  Environment();

  // Gives every name of a program its slot; true when the program's slots may
  // be used (false when another program's names are bound already).
  bool bindNames(const std::shared_ptr<const SlotNames>& names);

  // The variable operations by name, or by slot (kUnresolvedSlot: by name).
  // Ignored when the name is already declared (a redeclaration changes nothing).
  void define(SlotId slot, const std::string& name, QuarnValue value, bool isConst);
  // Ignored for constants and for names never declared.
  void assign(SlotId slot, const std::string& name, QuarnValue value) {
    if (VariableSlot* found = slotFor(slot, name, false)) found->assign(std::move(value));
  }
  // False when the name was never declared.
  bool get(SlotId slot, const std::string& name, QuarnValue& out) const {
    const VariableSlot* found = slotFor(slot, name, false);
    return found != nullptr && found->read(out);
  }

  void define(const std::string& name, QuarnValue value, bool isConst) {
    define(kUnresolvedSlot, name, std::move(value), isConst);
  }
  void assign(const std::string& name, QuarnValue value) { assign(kUnresolvedSlot, name, std::move(value)); }
  std::optional<QuarnValue> get(const std::string& name) const;

  // A later declaration of the same name replaces the earlier one.
  void defineFunction(const FunctionDeclNode& declaration);
  // Null when absent. Declarations are shared, never changed, so a call needs no copy.
  std::shared_ptr<const FunctionDeclNode> getFunction(const std::string& name) const;
  // getFunction for a send to self: `name`, or the bound slot of that name
  // (kUnresolvedSlot: by name only).
  std::shared_ptr<const FunctionDeclNode> methodNamed(SlotId slot, const std::string& name) const;

private:
  // The bound slot, else the slot of that name (null when absent and !add).
  VariableSlot* slotFor(SlotId slot, const std::string& name, bool add) const {
    if (slot < boundCount.load(std::memory_order_acquire)) return boundSlots[slot];
    return slotByName(name, add);
  }
  VariableSlot* slotByName(const std::string& name, bool add) const;
  VariableSlot* slotNamedLocked(const std::string& name, bool add) const;

  // Every slot, at a fixed address for the environment's life.
  mutable std::deque<VariableSlot> slotStore;
  mutable std::unordered_map<std::string, VariableSlot*> slotsByName;
  // The bound program's names and their slots by SlotId: filled once, then
  // published through boundCount, and only read afterwards.
  std::shared_ptr<const SlotNames> boundNames;
  std::vector<VariableSlot*> boundSlots;
  std::atomic<std::size_t> boundCount{0};
  std::unordered_map<std::string, std::shared_ptr<const FunctionDeclNode>> functions;
  // Changes with every method declared (a value no other environment has had).
  static std::uint64_t nextStamp();
  std::atomic<std::uint64_t> functionsStamp{nextStamp()};
  mutable std::mutex lock;
};

}  // namespace quarn
