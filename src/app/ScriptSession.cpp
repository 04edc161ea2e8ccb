#include "app/ScriptSession.h"

#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/QtText.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTextFile = "autosave.quarn";
constexpr const char* kFileNameFile = "autosave-file";
constexpr const char* kRecentFile = "recent-files";

std::optional<std::string> readWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

ScriptSession::ScriptSession(fs::path folder) : folder_(std::move(folder)) {}

fs::path ScriptSession::defaultFolder() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return fs::path(data.toStdString()) / "quarn";
}

std::optional<SessionState> ScriptSession::load() const {
  auto text = readWhole(folder_ / kTextFile);
  if (!text) return std::nullopt;
  SessionState state{std::move(*text), std::nullopt};
  if (auto name = readWhole(folder_ / kFileNameFile); name && !name->empty()) state.file = fs::path(*name);
  return state;
}

bool ScriptSession::save(const SessionState& state) const {
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  std::string error;
  // the file name first: a kill between the two leaves new text under the old name at worst
  return writeScriptFile(folder_ / kFileNameFile, state.file ? state.file->string() : "", error) &&
         writeScriptFile(folder_ / kTextFile, state.text, error);
}

std::vector<fs::path> ScriptSession::recentFiles() const {
  std::vector<fs::path> files;
  std::istringstream lines(readWhole(folder_ / kRecentFile).value_or(""));
  for (std::string line; std::getline(lines, line) && files.size() < kMaxRecentFiles;)
    if (!line.empty()) files.emplace_back(line);
  return files;
}

void ScriptSession::addRecentFile(const fs::path& file) const {
  std::string text = file.string() + "\n";
  std::size_t count = 1;
  for (const fs::path& known : recentFiles())
    if (known != file && count++ < kMaxRecentFiles) text += known.string() + "\n";
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  std::string error;
  writeScriptFile(folder_ / kRecentFile, text, error);  // a lost list is no loss of work
}

std::optional<std::string> readScriptFile(const fs::path& file, std::string& error) {
  std::error_code code;
  if (fs::is_directory(file, code)) {
    error = "it is a folder";
    return std::nullopt;
  }
  const auto size = fs::file_size(file, code);
  if (!code && size > kMaxScriptBytes) {
    error = "it is larger than " + std::to_string(kMaxScriptBytes >> 20) + " MB";
    return std::nullopt;
  }
  errno = 0;
  auto text = readWhole(file);
  if (!text) error = errno != 0 ? std::strerror(errno) : "it cannot be read";
  return text;
}

bool writeScriptFile(const fs::path& file, const std::string& text, std::string& error) {
  QSaveFile out(pathText(file));
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !out.commit()) {
    error = out.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace quarn
