#pragma once
// What the workbench keeps between starts, in a folder of the user's data: the
// editor's text as last saved on its own (so a crash or a kill loses at most a
// few seconds of typing), the file that text belongs to, and the recent files.
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

struct SessionState {
  std::string text;
  std::optional<std::filesystem::path> file;  // none for an untitled script
};

class ScriptSession {
public:
  explicit ScriptSession(std::filesystem::path folder);

  // The data folder's "quarn" folder (XDG_DATA_HOME or ~/.local/share).
  static std::filesystem::path defaultFolder();

  std::optional<SessionState> load() const;
  // Replaces the kept state; false when the folder cannot be written.
  bool save(const SessionState& state) const;

  std::vector<std::filesystem::path> recentFiles() const;
  void addRecentFile(const std::filesystem::path& file) const;

private:
  std::filesystem::path folder_;
};

// Reads a script file; on failure returns nothing and sets error to a short reason.
std::optional<std::string> readScriptFile(const std::filesystem::path& file, std::string& error);
// Writes text to file as a whole (never half-written); on failure sets error.
bool writeScriptFile(const std::filesystem::path& file, const std::string& text, std::string& error);

}  // namespace quarn
