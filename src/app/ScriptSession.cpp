// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScriptSession.h"

#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

#include <fstream>
#include <sstream>

#include "app/QtText.h"
#include "support/ScriptFile.h"

namespace quarn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLastFile = "last-file";
constexpr const char* kRecentFile = "recent-files";

}  // namespace

ScriptSession::ScriptSession(fs::path folder) : folder_(std::move(folder)) {}

fs::path ScriptSession::defaultFolder() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return fs::path(data.toStdString()) / "quarn";
}

std::optional<fs::path> ScriptSession::lastFile() const {
  auto name = readFileBytes(folder_ / kLastFile);
  if (!name || name->empty()) return std::nullopt;
  return fs::path(*name);
}

void ScriptSession::setLastFile(const std::optional<fs::path>& file) const {
  std::error_code ignored;
  fs::create_directories(folder_, ignored);
  std::string error;
  writeScriptFile(folder_ / kLastFile, file ? file->string() : "", error);  // only a convenience
}

std::vector<fs::path> ScriptSession::recentFiles() const {
  std::vector<fs::path> files;
  std::istringstream lines(readFileBytes(folder_ / kRecentFile).value_or(""));
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

std::optional<std::string> readFileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::optional<std::string> readScriptFile(const fs::path& file, std::string& error) {
  std::error_code code;
  if (fs::is_directory(file, code)) {
    error = "it is a folder";
    return std::nullopt;
  }
  return readScript(file.string(), error, kMaxScriptBytes);
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
