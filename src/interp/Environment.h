// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one flat scope of a run: variables and constants, each in its own
// VariableSlot, and declared methods, each name in its own MethodSlot. Called
// from any thread of the run. Names arrive NFC-normalised from the lexer, so
// keys compare as plain strings.
//
// Slots are made on first mention and keep their address for the
// environment's life, so compiled code finds its variables and methods once,
// when it is compiled, and then reaches them without a string or a lock.
// `lock` guards the name tables only, held for one look-up and never while
// calling out.

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "interp/Code.h"
#include "interp/QuarnValue.h"
#include "interp/VariableSlot.h"

namespace quarn {

class Environment {
public:
  // Starts with the six built-in constants.
  Environment();

  // The slot of a name, made (undeclared, no method) on first mention.
  VariableSlot& variable(const std::string& name);
  MethodSlot& methodSlot(const std::string& name);

  // Ignored when the name is already declared (a redeclaration changes nothing).
  void define(const std::string& name, QuarnValue value, bool isConst) {
    variable(name).define(std::move(value), isConst);
  }
  // Ignored for constants and for names never declared.
  void assign(const std::string& name, QuarnValue value) { variable(name).assign(std::move(value)); }
  // Empty when the name was never declared.
  std::optional<QuarnValue> get(const std::string& name) const;

  // Makes `method` the declaration its slot names; a later declaration of the
  // same name replaces it. The environment keeps `owner` (the tree the method
  // was compiled in) for its life, so a replaced method a thread is still
  // running stays valid.
  void defineMethod(MethodSlot& slot, const MethodCode& method, std::shared_ptr<const CodeTree> owner);
  // The current declaration of a name, or null.
  const MethodCode* method(const std::string& name) const;

private:
  template <class Slot>
  static Slot& slotIn(std::deque<Slot>& store, std::unordered_map<std::string, Slot*>& byName,
                      const std::string& name);

  // Every slot, at a fixed address for the environment's life.
  std::deque<VariableSlot> variables_;
  std::unordered_map<std::string, VariableSlot*> variablesByName_;
  std::deque<MethodSlot> methods_;
  std::unordered_map<std::string, MethodSlot*> methodsByName_;
  std::vector<std::shared_ptr<const CodeTree>> methodOwners_;
  mutable std::mutex lock;
};

}  // namespace quarn
