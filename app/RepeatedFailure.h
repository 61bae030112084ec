#pragma once
// A failure that a timer meets again at every tick (a missing pause file once the idle
// counter has passed 90, a missing self-dialogue source, an exit that cannot write its
// log) would pile up message boxes and, with a box open, block the user from the menu
// that could end it. Each such operation keeps one of these: its message is shown once,
// and shown again only after the operation succeeded once or the user changed what it
// depends on (the mode, the source path).

#include <QString>
#include <optional>

namespace cpuchat {

class RepeatedFailure {
public:
    /// Whether `message` is to be shown now; false while it repeats the one shown last.
    /// Decided before the message box opens, since timers tick while it is open.
    bool shouldShow(const QString& message) {
        if (m_shown == message) return false;
        m_shown = message;
        return true;
    }

    /// The operation succeeded, or the user changed its conditions: the next failure
    /// is news again.
    void forget() { m_shown.reset(); }

private:
    std::optional<QString> m_shown;
};

}  // namespace cpuchat
