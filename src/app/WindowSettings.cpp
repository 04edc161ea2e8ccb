// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowSettings.h"

#include <QMainWindow>
#include <QSettings>
#include <QSplitter>

#include "app/QtText.h"

namespace quarn {
namespace {

QSettings settingsIn(const std::filesystem::path& folder) {
  return QSettings(pathText(folder / kWindowSettingsFile), QSettings::IniFormat);
}

}  // namespace

void restoreWindowLayout(QMainWindow* window, QSplitter* splitter, const std::filesystem::path& folder) {
  const QSettings settings = settingsIn(folder);
  window->restoreGeometry(settings.value("window/geometry").toByteArray());
  splitter->restoreState(settings.value("window/split").toByteArray());
}

void saveWindowLayout(const QMainWindow* window, const QSplitter* splitter, const std::filesystem::path& folder) {
  QSettings settings = settingsIn(folder);
  settings.setValue("window/geometry", window->saveGeometry());
  settings.setValue("window/split", splitter->saveState());
}

}  // namespace quarn
