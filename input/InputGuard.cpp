#include "InputGuard.h"

namespace cpuchat {

bool InputGuard::tick(std::string_view text) noexcept {
    if (text.empty()) return false;
    ++m_position;
    // The line became shorter since the last tick: start again from its first character
    // on the next tick rather than read beyond its end.
    if (m_position > text.size()) {
        m_position = 0;
        return false;
    }
    if (isForbidden(text[m_position - 1])) return true;
    if (m_position == text.size()) m_position = 0;
    return false;
}

}  // namespace cpuchat
