// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Diagnostics.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "support/LineWriter.h"

namespace quarn {
namespace {

std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}

LineSink& testSink() {
  static LineSink sink;
  return sink;
}

// Whether a test sink is set: lets every other line skip sinkMutex.
std::atomic<bool> hasTestSink{false};

thread_local LineRoute currentRoute;

void flushAtExit() { flushStandardOutput(); }

// Never destroyed: threads still printing at exit keep a writer to print to.
LineWriter& standardOutput() {
  static LineWriter* const writer = [] {
    auto* made = new LineWriter(STDOUT_FILENO);
    std::atexit(flushAtExit);
    std::at_quick_exit(flushAtExit);
    return made;
  }();
  return *writer;
}

}  // namespace

void printLine(std::string_view text, SourceOffset at) {
  if (currentRoute) (*currentRoute)(text, at);
  if (hasTestSink.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> guard(sinkMutex());
    if (testSink()) {
      testSink()(text);
      return;
    }
  }
  standardOutput().write(text);
}

std::string escapeControls(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      shown += c;
    } else if (c == '\n' || c == '\r' || c == '\t') {
      shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
    } else {
      constexpr char kHex[] = "0123456789abcdef";
      shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return shown;
}

void setLineSink(LineSink sink) {
  std::lock_guard<std::mutex> guard(sinkMutex());
  testSink() = std::move(sink);
  hasTestSink.store(static_cast<bool>(testSink()), std::memory_order_release);
}

ScopedLineRoute::ScopedLineRoute(LineRoute route) : previous_(std::move(currentRoute)) {
  currentRoute = std::move(route);
}

ScopedLineRoute::~ScopedLineRoute() { currentRoute = std::move(previous_); }

std::function<void()> withCurrentLineRoute(std::function<void()> job) {
  if (!currentRoute) return job;
  return [route = currentRoute, job = std::move(job)] {
    ScopedLineRoute scope(route);
    job();
  };
}

void flushStandardOutput() { standardOutput().flush(kExitFlushPatience); }

}  // namespace quarn
