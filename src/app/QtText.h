// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text between the system's UTF-8 strings and Qt's strings. Any thread.

#include <filesystem>
#include <string_view>

#include <QString>

namespace quarn {

inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString pathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace quarn
