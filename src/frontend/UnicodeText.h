// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-text Unicode helpers for the front end: UTF-8 repair, NFC and canonical
// equivalence. Stateless; called from any thread.

#include <string>
#include <string_view>

namespace quarn {

// True when every byte is below 0x80.
bool isAscii(std::string_view text);

// True when the text is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

// The text with every ill-formed UTF-8 sequence replaced by U+FFFD (one per
// maximal ill-formed subpart, as ICU's conversions do). Valid text is copied.
std::string toValidUtf8(std::string_view text);

// The NFC form of a UTF-8 text. ASCII comes back unchanged without ICU work.
std::string toNfc(std::string_view text);

// Canonical equivalence: equal after NFC.
bool canonicallyEqual(std::string_view a, std::string_view b);

}  // namespace quarn
