// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's size, place and console split, kept between starts in a
// settings file of the session folder.
// Threads: main thread only.

#include <filesystem>

class QMainWindow;
class QSplitter;

namespace quarn {

inline constexpr const char* kWindowSettingsFile = "window.ini";

// Before the window is first shown; a first start keeps the defaults.
void restoreWindowLayout(QMainWindow* window, QSplitter* splitter, const std::filesystem::path& folder);
void saveWindowLayout(const QMainWindow* window, const QSplitter* splitter, const std::filesystem::path& folder);

}  // namespace quarn
