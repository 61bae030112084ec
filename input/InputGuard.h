#pragma once
// Keeps the knowledge-base markers "^", "_", ";" and "@" out of the input line. The main
// window calls tick() from its 1 ms timer; each tick examines at most one character, so a
// line of n characters is covered within n + 1 ticks of its last change.

#include <cstddef>
#include <string_view>

#include "Matching.h"

namespace cpuchat {

class InputGuard {
public:
    /// True for the four characters that separate and mark fields of the data files.
    static constexpr bool isForbidden(char c) noexcept { return isFormatMarker(c); }

    /// One tick over the input line's current Windows-1251 text. Returns true on a hit:
    /// the caller then disables the dialogue view and clears the input line. The scan
    /// position stays on the hit; it is never reset from outside.
    bool tick(std::string_view text) noexcept;

    /// True when no tick can change anything until the text changes: an empty line is
    /// never examined and the scan position keeps its value. The main window may stop its
    /// guard timer then and start it again on the line's next change. A non-empty line is
    /// never idle, since every tick moves the scan position.
    bool idle(std::string_view text) const noexcept { return text.empty(); }

    /// 1-based index of the character examined last; 0 when the next tick starts at the
    /// first character.
    std::size_t position() const noexcept { return m_position; }

private:
    std::size_t m_position = 0;
};

}  // namespace cpuchat
