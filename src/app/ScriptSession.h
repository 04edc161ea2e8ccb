// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the workbench keeps between starts, in a folder of the user's data: the
// autosaved texts (Autosave.h), the file of the last script shown, and the
// recent files.
// Threads: main thread only.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quarn {

// How often the editor's text is saved on its own when it changed.
inline constexpr std::chrono::milliseconds kAutosaveInterval{2000};
// Files listed under Open Recent.
inline constexpr std::size_t kMaxRecentFiles = 8;
// Largest script the window opens; bigger files are refused with a message.
inline constexpr std::uintmax_t kMaxScriptBytes = std::uintmax_t{8} << 20;

class ScriptSession {
public:
  explicit ScriptSession(std::filesystem::path folder);

  // The data folder's "quarn" folder (XDG_DATA_HOME or ~/.local/share).
  static std::filesystem::path defaultFolder();

  // Where the autosaved texts go.
  std::filesystem::path autosaveFolder() const { return folder_ / "autosave"; }

  // The file of the script a window showed last; none when it was untitled.
  std::optional<std::filesystem::path> lastFile() const;
  void setLastFile(const std::optional<std::filesystem::path>& file) const;

  std::vector<std::filesystem::path> recentFiles() const;
  void addRecentFile(const std::filesystem::path& file) const;

private:
  std::filesystem::path folder_;
};

// Reads a script file as the command line does (a NUL byte refuses it), up to
// kMaxScriptBytes; on failure returns nothing and sets error to a short reason.
std::optional<std::string> readScriptFile(const std::filesystem::path& file, std::string& error);
// A file's bytes as they are, whatever they hold; nothing when it cannot be read.
std::optional<std::string> readFileBytes(const std::filesystem::path& file);
// Writes text to file as a whole (never half-written); on failure sets error.
bool writeScriptFile(const std::filesystem::path& file, const std::string& text, std::string& error);

}  // namespace quarn
