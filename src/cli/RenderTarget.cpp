// The temporary file of a render and its move to the output.
#include "cli/RenderTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "support/WriteAll.h"

namespace quarn {
namespace {

// What the interrupt handler removes: fixed storage, as a handler may not allocate.
char interruptedTemporary[4096];
struct sigaction previousInt, previousTerm;

extern "C" void removeTemporaryAndExit(int signal) {
  ::unlink(interruptedTemporary);
  ::_exit(128 + signal);
}

void armInterruptCleanup(const std::filesystem::path& temporary) {
  std::strncpy(interruptedTemporary, temporary.c_str(), sizeof interruptedTemporary - 1);
  struct sigaction action {};
  action.sa_handler = removeTemporaryAndExit;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
}

void disarmInterruptCleanup() {
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
}

// The permissions a newly created file gets (mkstemp makes it private).
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool copyToStandardOutput(const std::filesystem::path& file, std::string& error) {
  const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::vector<char> block(1 << 16);
  bool ok = true;
  for (ssize_t got; ok && (got = ::read(in, block.data(), block.size())) > 0;) {
    ok = writeAll(STDOUT_FILENO, block.data(), static_cast<std::size_t>(got));
  }
  ::close(in);
  if (!ok) error = std::strerror(errno);
  return ok;
}

}  // namespace

RenderTarget::RenderTarget(std::string output) : output_(std::move(output)) {}

RenderTarget::~RenderTarget() { discard(); }

bool RenderTarget::prepare(std::string& error) {
  const bool toStandardOutput = output_ == "-";
  const std::filesystem::path out(output_);
  std::error_code ec;
  if (!toStandardOutput && std::filesystem::is_directory(out, ec)) {
    error = "it is a directory";
    return false;
  }
  const std::filesystem::path folder = toStandardOutput ? std::filesystem::temp_directory_path(ec)
                                       : out.has_parent_path() ? out.parent_path()
                                                               : std::filesystem::path(".");
  const std::string name = toStandardOutput ? "quarn-render" : out.filename().string();
  std::string pattern = (folder / ("." + name + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  ::fchmod(fd, newFileMode());
  ::close(fd);
  temporary_ = pattern;
  armInterruptCleanup(temporary_);
  isArmed_ = true;
  return true;
}

bool RenderTarget::commit(std::string& error) {
  bool ok = true;
  if (output_ == "-") {
    ok = copyToStandardOutput(temporary_, error);
  } else if (::rename(temporary_.c_str(), output_.c_str()) == 0) {
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
  if (isArmed_) disarmInterruptCleanup();
  isArmed_ = false;
}

}  // namespace quarn
