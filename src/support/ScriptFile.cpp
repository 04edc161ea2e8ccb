// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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
// end all the same, up to maxBytes and one byte more.
std::optional<std::string> readWhole(int file, std::uintmax_t maxBytes) {
  constexpr std::size_t kFirstPiece = 64 * 1024;
  struct stat status {};
  const bool sized = fstat(file, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
  std::string text(sized ? static_cast<std::size_t>(status.st_size) : kFirstPiece, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (!readInto(file, text, filled)) return std::nullopt;
    if (filled < text.size() || filled > maxBytes) break;
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

std::optional<std::string> readPath(const std::string& path, std::string& error, std::uintmax_t maxBytes) {
  if (path == "-") {
    std::optional<std::string> text = readWhole(STDIN_FILENO, maxBytes);
    if (!text) error = "standard input could not be read";
    return text;
  }
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  struct stat status {};
  std::optional<std::string> text;
  if (fstat(file, &status) == 0 && S_ISDIR(status.st_mode)) {
    error = "it is a directory";
  } else if (text = readWhole(file, maxBytes); !text) {
    error = "read error";
  }
  close(file);
  return text;
}

}  // namespace

std::size_t lineOfOffset(const std::string& text, std::size_t offset) {
  const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size()));
  return 1 + static_cast<std::size_t>(std::count(text.begin(), end, '\n'));
}

std::optional<std::string> readScript(const std::string& path, std::string& error, std::uintmax_t maxBytes) {
  std::optional<std::string> text = readPath(path, error, maxBytes);
  if (!text) return text;
  if (text->size() > maxBytes) {
    error = "it is larger than " + std::to_string(maxBytes >> 20) + " MB";
    return std::nullopt;
  }
  if (const std::size_t nul = text->find('\0'); nul != std::string::npos) {
    error = "it holds a NUL byte on line " + std::to_string(lineOfOffset(*text, nul)) +
            ", so it is not a script text";
    return std::nullopt;
  }
  return text;
}

}  // namespace quarn
