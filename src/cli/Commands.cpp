#include "cli/Commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "frontend/Lexer.h"
#include "frontend/Parser.h"

namespace quarn {
namespace {

// Reads until end of file into text from `filled` on; false on a read error.
bool readInto(int file, std::string& text, std::size_t& filled) {
  while (filled < text.size()) {
    const ssize_t got = read(file, text.data() + filled, text.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    filled += static_cast<std::size_t>(got);
  }
  return true;
}

// The whole file in one buffer sized from its length (no copy, no growth for
// a regular file); a pipe or a file that grows while it is read is read to its
// end all the same.
std::optional<std::string> readWhole(int file) {
  constexpr std::size_t kFirstPiece = 64 * 1024;
  struct stat status {};
  const bool sized = fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
  std::string text(sized ? static_cast<std::size_t>(status.st_size) : kFirstPiece, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (!readInto(file, text, filled)) return std::nullopt;
    if (filled < text.size()) break;
    char probe = 0;  // full: one more byte tells the end from a grown file
    const ssize_t got = read(file, &probe, 1);
    if (got < 0 && errno != EINTR) return std::nullopt;
    if (got == 0) break;
    if (got == 1) {
      text.resize(text.size() * 2);
      text[filled++] = probe;
    }
  }
  text.resize(filled);
  return text;
}

}  // namespace

std::optional<std::string> readInput(const std::string& path, std::string& error) {
  if (path == "-") {
    std::optional<std::string> text = readWhole(STDIN_FILENO);
    if (!text) error = "standard input could not be read";
    return text;
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "it is a directory";
    return std::nullopt;
  }
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::optional<std::string> text = readWhole(file);
  close(file);
  if (!text) error = "read error";
  return text;
}

// Written a piece at a time, so a large script's listing is never all in memory.
int tokensCommand(std::string_view source, std::ostream& out) {
  constexpr std::size_t kPieceBytes = 64 * 1024;
  std::string text;
  Lexer lexer(source);
  Token token;
  do {
    lexer.next(token);
    text += toString(token);
    text += '\n';
    if (text.size() >= kPieceBytes || token.is(TokenKind::eof)) {
      out << text;
      text.clear();
    }
  } while (!token.is(TokenKind::eof));
  out << std::flush;
  return 0;
}

int checkCommand(std::string_view source, std::ostream& err) {
  ParseResult result = checkSyntax(source);
  if (result.ok()) return 0;
  err << result.error << "\n" << std::flush;
  return 1;
}

}  // namespace quarn
