// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary file of a render and its move to the output.
#include "cli/RenderTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

#include "support/WriteAll.h"

namespace quarn {
namespace {

// The signals that end a render as Ctrl+C does: a closed terminal, and quit (Ctrl+\) too.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Renders going at once in one process (the window runs one, the command one).
constexpr std::size_t kMaxLiveTemporaries = 4;

// What a signal or the program's exit removes: fixed storage, as a handler may
// not allocate; a slot's name is written before it is marked live.
struct LiveTemporary {
  char path[4096];
  std::atomic<bool> isLive{false};
};
LiveTemporary liveTemporaries[kMaxLiveTemporaries];
std::mutex armingMutex;
std::size_t armedCount = 0;  // under armingMutex
struct sigaction previousActions[std::size(kEndingSignals)];

void removeLiveTemporaries() {
  for (LiveTemporary& live : liveTemporaries)
    if (live.isLive.load(std::memory_order_acquire)) ::unlink(live.path);
}

extern "C" void removeTemporariesAndExit(int signal) {
  removeLiveTemporaries();
  ::_exit(128 + signal);
}

extern "C" void removeTemporariesAtExit() { removeLiveTemporaries(); }

// The slot of the temporary, or -1 when every slot is taken (it is then only
// removed by the render itself).
int armCleanup(const std::filesystem::path& temporary) {
  static std::once_flag atExit;
  std::call_once(atExit, [] {
    std::atexit(removeTemporariesAtExit);
    std::at_quick_exit(removeTemporariesAtExit);  // the window leaves this way during a render
  });
  std::lock_guard hold(armingMutex);
  for (std::size_t i = 0; i < kMaxLiveTemporaries; ++i) {
    LiveTemporary& live = liveTemporaries[i];
    if (live.isLive.load(std::memory_order_relaxed)) continue;
    std::strncpy(live.path, temporary.c_str(), sizeof live.path - 1);
    live.isLive.store(true, std::memory_order_release);
    if (armedCount++ == 0) {
      struct sigaction action {};
      action.sa_handler = removeTemporariesAndExit;
      sigemptyset(&action.sa_mask);
      for (std::size_t s = 0; s < std::size(kEndingSignals); ++s)
        sigaction(kEndingSignals[s], &action, &previousActions[s]);
    }
    return static_cast<int>(i);
  }
  return -1;
}

void disarmCleanup(int slot) {
  std::lock_guard hold(armingMutex);
  liveTemporaries[slot].isLive.store(false, std::memory_order_release);
  if (--armedCount == 0)
    for (std::size_t s = 0; s < std::size(kEndingSignals); ++s) sigaction(kEndingSignals[s], &previousActions[s], nullptr);
}

// The permissions a newly created file gets (mkstemp makes it private).
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// An output that is not a file to replace: a pipe, a terminal, a device.
bool isStream(const std::string& output) {
  struct stat status {};
  return output == "-" || (::stat(output.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode));
}

bool copyToStream(const std::filesystem::path& file, const std::string& output, std::string& error) {
  const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  const int out = output == "-" ? STDOUT_FILENO : ::open(output.c_str(), O_WRONLY | O_CLOEXEC);
  if (in < 0 || out < 0) {
    error = std::strerror(errno);
    if (in >= 0) ::close(in);
    return false;
  }
  std::vector<char> block(1 << 16);
  bool ok = true;
  for (ssize_t got; ok && (got = ::read(in, block.data(), block.size())) > 0;) {
    ok = writeAll(out, block.data(), static_cast<std::size_t>(got));
  }
  ::close(in);
  if (out != STDOUT_FILENO && ::close(out) != 0) ok = false;
  if (!ok) error = std::strerror(errno);
  return ok;
}

}  // namespace

RenderTarget::RenderTarget(std::string output) : output_(std::move(output)) {}

RenderTarget::~RenderTarget() { discard(); }

bool RenderTarget::prepare(std::string& error) {
  isStream_ = isStream(output_);
  std::error_code ec;
  destination_ = output_;
  // a link stays a link: the file it names gets the sound (a link to nowhere is replaced)
  if (!isStream_ && std::filesystem::is_symlink(destination_, ec)) destination_ = std::filesystem::canonical(output_, ec);
  if (ec) destination_ = output_;
  if (!isStream_ && std::filesystem::is_directory(destination_, ec)) {
    error = "it is a directory";
    return false;
  }
  const std::filesystem::path folder = isStream_ ? std::filesystem::temp_directory_path(ec)
                                       : destination_.has_parent_path() ? destination_.parent_path()
                                                                        : std::filesystem::path(".");
  const std::string name = isStream_ ? "quarn-render" : destination_.filename().string();
  std::string pattern = (folder / ("." + name + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  ::fchmod(fd, newFileMode());
  ::close(fd);
  temporary_ = pattern;
  cleanupSlot_ = armCleanup(temporary_);
  return true;
}

bool RenderTarget::commit(std::string& error) {
  bool ok = true;
  if (isStream_) {
    ok = copyToStream(temporary_, output_, error);
  } else if (::rename(temporary_.c_str(), destination_.c_str()) == 0) {
    temporary_.clear();
  } else {
    error = std::strerror(errno);
    ok = false;
  }
  discard();
  return ok;
}

void RenderTarget::discard() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
  if (cleanupSlot_ >= 0) disarmCleanup(cleanupSlot_);
  cleanupSlot_ = -1;
}

}  // namespace quarn
