// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's text saved on its own, one slot per script, so that a crash or a
// kill loses at most a few seconds of typing and two windows never overwrite
// each other's. A slot is a file in the autosave folder: the script's absolute
// path (empty for an untitled script), a NUL, then the text. A file's slot is
// named after its path, so reopening the file finds it; an untitled script, or
// a second window on a file already open, gets a slot of its own. A window
// holds a lock on its slot while it lives (flock: the system lets it go when the
// process dies), so a slot nobody holds is a leftover of a window that ended
// without closing.
// Threads: main thread only.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quarn {

struct AutosavedText {
  std::filesystem::path slot;
  std::optional<std::filesystem::path> file;  // none for an untitled script
  std::string text;
  std::filesystem::file_time_type time;  // when it was autosaved
};

class AutosaveSlot {
public:
  explicit AutosaveSlot(std::filesystem::path folder);
  ~AutosaveSlot();  // lets the slot go; its text stays as a crash would leave it
  AutosaveSlot(const AutosaveSlot&) = delete;
  AutosaveSlot& operator=(const AutosaveSlot&) = delete;

  // Drops the slot held so far (its text was saved or given up) and takes the
  // one of file, or a fresh one. Returns what file's slot held from before,
  // when no other window holds it.
  std::optional<AutosavedText> moveTo(const std::optional<std::filesystem::path>& file);
  // Drops the slot held so far and takes over a leftover's; false when another
  // window took it first.
  bool adopt(const AutosavedText& leftover);
  // Replaces the slot's text; on failure (the folder cannot be made or written)
  // sets error. Takes the slot first when it could not be taken before.
  bool save(const std::string& text, std::string& error);
  // Removes the slot's text, keeping the slot.
  void clear();

  const std::filesystem::path& folder() const { return folder_; }

private:
  bool take(const std::filesystem::path& slot);
  void drop();

  const std::filesystem::path folder_;
  std::optional<std::filesystem::path> file_;
  std::filesystem::path slot_;  // empty until taken
  int lock_ = -1;
};

// Slots that no window holds and that are not a file's own: what untitled
// windows (and second windows on a file) left behind, newest first.
std::vector<AutosavedText> autosaveLeftovers(const std::filesystem::path& folder);

// "HH:MM:SS" of a time, local.
std::string clockTimeOf(std::filesystem::file_time_type time);

// Console lines: a script's autosaved text back in the editor (at start, by
// File ▸ Recover…), nothing to recover, and autosave failing.
std::string restoredText(const AutosavedText& kept);
std::string recoveredText(const AutosavedText& kept);
inline constexpr std::string_view kNothingToRecoverLine =
    "Nothing to recover: every autosaved script belongs to a window that is still open.";
std::string autosaveFailedText(const std::filesystem::path& folder, const std::string& reason);
// How File ▸ Recover… lists an autosaved text.
std::string leftoverLabel(const AutosavedText& kept);

}  // namespace quarn
