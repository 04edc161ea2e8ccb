#pragma once
// The one flat scope of a run: variables and constants in `store`, the constant
// names in `constants`, declared methods in `functions`. Called from any thread
// of the run; `lock` is held for exactly one table operation and never while
// calling out. Names arrive NFC-normalised from the lexer, so keys compare as
// plain strings.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "frontend/Ast.h"
#include "interp/QuarnValue.h"

namespace quarn {

class Environment {
public:
  // Starts with the six built-in constants.
  Environment();

  // Ignored when the name is already stored (a redeclaration changes nothing).
  void define(const std::string& name, QuarnValue value, bool isConst);
  // Ignored for constants and for names never declared.
  void assign(const std::string& name, QuarnValue value);
  std::optional<QuarnValue> get(const std::string& name) const;
  // A later declaration of the same name replaces the earlier one.
  void defineFunction(const FunctionDeclNode& declaration);
  // Null when absent. Declarations are shared, never changed, so a call needs no copy.
  std::shared_ptr<const FunctionDeclNode> getFunction(const std::string& name) const;

private:
  std::unordered_map<std::string, QuarnValue> store;
  std::unordered_set<std::string> constants;
  std::unordered_map<std::string, std::shared_ptr<const FunctionDeclNode>> functions;
  mutable std::mutex lock;
};

}  // namespace quarn
