#include "support/Diagnostics.h"

#include <mutex>
#include <string>
#include <unistd.h>

namespace quarn {
namespace {

std::mutex& lineMutex() {
  static std::mutex m;
  return m;
}

LineSink& lineSink() {
  static LineSink sink;
  return sink;
}

void writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n <= 0) return;  // a closed stdout loses the line; main ignores SIGPIPE, so never the program
    data += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

void printLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  std::lock_guard<std::mutex> guard(lineMutex());
  if (lineSink()) {
    lineSink()(text);
    return;
  }
  writeAll(STDOUT_FILENO, line.data(), line.size());
}

void setLineSink(LineSink sink) {
  std::lock_guard<std::mutex> guard(lineMutex());
  lineSink() = std::move(sink);
}

}  // namespace quarn
