#pragma once
// Repairs text typed with the keyboard switched to the Latin layout: every character is
// replaced by the one the same key gives on the Russian layout ("ghbdtn" -> "привет").
// One direction only; Cyrillic text and everything outside the table pass unchanged.

#include <string>
#include <string_view>

namespace cpuchat {

/// The layout-table entry for one Windows-1251 character, or the character itself when
/// the table has none. All 70 entries have an ASCII source.
char convertLayoutChar(char c) noexcept;

/// The character that the same key gives in the other layout, for the keys that type a
/// Latin character in one layout and a Cyrillic one in the other: "f" and "а", "F" and "А",
/// "[" and "х", "#" and "№". Every other character (the punctuation both layouts type, "э"
/// that no entry gives) is returned as it is.
char otherLayoutChar(char cp1251) noexcept;

/// Converts a Windows-1251 text in one pass: each position is looked up once, in the
/// text as typed, so a character the table produced is never converted again
/// ("|" gives "/", not a full stop). The result has the same length as the input.
std::string convertLayout(std::string_view cp1251);

}  // namespace cpuchat
