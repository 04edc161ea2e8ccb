// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Autosave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "app/ScriptSession.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSlotExtension = ".autosave";
constexpr std::string_view kUntitledPrefix = "untitled-";

// A slot's name for a file: stable across starts and builds (FNV-1a of the path).
std::string fileSlotName(const fs::path& file) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char byte : file.string()) hash = (hash ^ byte) * 1099511628211ull;
  char name[40];
  std::snprintf(name, sizeof name, "file-%016llx", static_cast<unsigned long long>(hash));
  return name + std::string(kSlotExtension);
}

// Unique to this window: the process, the moment, and a count within the process.
std::string freshSlotName() {
  static unsigned count = 0;
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return std::string(kUntitledPrefix) + std::to_string(::getpid()) + "-" + std::to_string(now.count()) + "-" +
         std::to_string(++count) + std::string(kSlotExtension);
}

fs::path lockOf(const fs::path& slot) { return fs::path(slot) += ".lock"; }

// The lock of slot, taken; -1 when another window holds it or it cannot be made.
int lockSlot(const fs::path& slot) {
  const int lock = ::open(lockOf(slot).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return -1;
  if (::flock(lock, LOCK_EX | LOCK_NB) == 0) return lock;
  ::close(lock);
  return -1;
}

bool isHeld(const fs::path& slot) {
  const int lock = ::open(lockOf(slot).c_str(), O_RDWR | O_CLOEXEC);
  if (lock < 0) return false;
  const bool held = ::flock(lock, LOCK_EX | LOCK_NB) != 0;
  ::close(lock);
  return held;
}

std::optional<AutosavedText> readSlot(const fs::path& slot) {
  std::error_code code;
  const auto time = fs::last_write_time(slot, code);
  std::optional<std::string> bytes = code ? std::nullopt : readFileBytes(slot);
  const std::size_t end = bytes ? bytes->find('\0') : std::string::npos;
  if (end == std::string::npos) return std::nullopt;  // none, or not one of ours
  AutosavedText kept{slot, std::nullopt, bytes->substr(end + 1), time};
  if (end > 0) kept.file = fs::path(bytes->substr(0, end));
  return kept;
}

}  // namespace

AutosaveSlot::AutosaveSlot(fs::path folder) : folder_(std::move(folder)) {}

AutosaveSlot::~AutosaveSlot() {
  if (lock_ < 0) return;
  std::error_code code;
  if (!fs::exists(slot_, code)) ::unlink(lockOf(slot_).c_str());  // nothing to keep
  ::close(lock_);
}

bool AutosaveSlot::take(const fs::path& slot) {
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  lock_ = lockSlot(slot);
  if (lock_ >= 0) slot_ = slot;
  return lock_ >= 0;
}

void AutosaveSlot::drop() {
  if (lock_ < 0) return;
  ::unlink(slot_.c_str());
  ::unlink(lockOf(slot_).c_str());
  ::close(lock_);
  lock_ = -1;
  slot_.clear();
}

std::optional<AutosavedText> AutosaveSlot::moveTo(const std::optional<fs::path>& file) {
  drop();
  file_ = file;
  if (file && take(folder_ / fileSlotName(*file))) {
    std::optional<AutosavedText> kept = readSlot(slot_);
    if (kept && kept->file == file) return kept;  // not another path of the same name
    return std::nullopt;
  }
  take(folder_ / freshSlotName());  // untitled, or the file is open in another window
  return std::nullopt;
}

bool AutosaveSlot::adopt(const AutosavedText& leftover) {
  drop();
  if (!take(leftover.slot)) return false;
  file_ = leftover.file;
  return true;
}

bool AutosaveSlot::save(const std::string& text, std::string& error) {
  if (lock_ < 0 && !take(folder_ / (file_ ? fileSlotName(*file_) : freshSlotName())) &&
      !take(folder_ / freshSlotName())) {
    const int lockError = errno;
    std::error_code code;
    fs::create_directories(folder_, code);  // the folder's own problem says most
    error = code ? code.message() : std::strerror(lockError);
    return false;
  }
  std::string bytes = file_ ? file_->string() : std::string();
  bytes += '\0';
  bytes += text;
  return writeScriptFile(slot_, bytes, error);
}

void AutosaveSlot::clear() {
  if (lock_ >= 0) ::unlink(slot_.c_str());
}

std::vector<AutosavedText> autosaveLeftovers(const fs::path& folder) {
  std::vector<AutosavedText> leftovers;
  std::error_code code;
  for (const auto& entry : fs::directory_iterator(folder, code)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kUntitledPrefix) || !name.ends_with(kSlotExtension) || isHeld(entry.path())) continue;
    if (auto kept = readSlot(entry.path())) leftovers.push_back(std::move(*kept));
  }
  std::ranges::sort(leftovers, [](const AutosavedText& a, const AutosavedText& b) { return a.time > b.time; });
  return leftovers;
}

std::string clockTimeOf(fs::file_time_type time) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(time)));
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

std::string restoredText(const AutosavedText& kept) {
  return "Restored the text you were editing, autosaved at " + clockTimeOf(kept.time) + ".";
}

std::string recoveredText(const AutosavedText& kept) {
  return "Recovered the text autosaved at " + clockTimeOf(kept.time) + ". Save it to keep it.";
}

std::string autosaveFailedText(const fs::path& folder, const std::string& reason) {
  return "Could not autosave to " + folder.string() + ": " + reason +
         ". Typing is kept only in this window until this is mended (check that folder); trying again every " +
         std::to_string(kAutosaveInterval.count() / 1000) + " s.";
}

std::string leftoverLabel(const AutosavedText& kept) {
  constexpr std::size_t kShownCharacters = 40;
  std::string start = kept.text.substr(0, kept.text.find('\n'));
  if (start.size() > kShownCharacters) {
    start.resize(kShownCharacters);
    while (!start.empty() && (static_cast<unsigned char>(start.back()) & 0xc0) == 0x80) start.pop_back();
    if (!start.empty() && static_cast<unsigned char>(start.back()) >= 0xc0) start.pop_back();  // a cut character
    start += "…";
  }
  const std::string name = kept.file ? kept.file->filename().string() : "Untitled";
  return name + ", autosaved at " + clockTimeOf(kept.time) + ": " + start;
}

}  // namespace quarn
