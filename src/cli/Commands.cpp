#include "cli/Commands.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "frontend/Lexer.h"
#include "frontend/Parser.h"

namespace quarn {

std::optional<std::string> readInput(const std::string& path, std::string& error) {
  if (path == "-") {
    std::ostringstream buffer;
    buffer << std::cin.rdbuf();
    if (std::cin.bad()) {
      error = "standard input could not be read";
      return std::nullopt;
    }
    return buffer.str();
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "it is a directory";
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    error = "read error";
    return std::nullopt;
  }
  return text;
}

int tokensCommand(std::string_view source, std::ostream& out) {
  std::string text;
  for (const Token& token : tokenize(source)) {
    text += toString(token);
    text += '\n';
  }
  out << text << std::flush;
  return 0;
}

int checkCommand(std::string_view source, std::ostream& err) {
  ParseResult result = compile(source);
  if (result.ok()) return 0;
  err << result.error << "\n" << std::flush;
  return 1;
}

}  // namespace quarn
