// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A byte offset into the script text a run was compiled from: where a printed
// line's statement stands, so the window can point at it.

#include <cstdint>

namespace quarn {

using SourceOffset = std::uint32_t;
// A line of no statement (or of a tree made by hand).
inline constexpr SourceOffset kNoSourceOffset = UINT32_MAX;

}  // namespace quarn
