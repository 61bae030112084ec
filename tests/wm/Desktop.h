#pragma once
// A private X desktop for the window-manager tests: an Xvfb server on a display number
// of its own choosing, with openbox managing its windows. Both end with the object.

#include <sys/types.h>

#include <string>

namespace cpuchat::test {

class Desktop {
public:
    /// Starts the server, points this process's DISPLAY at it and starts the window
    /// manager there; returns once the window manager frames windows. Throws
    /// std::runtime_error with the reason when either cannot start.
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// The screen's size in pixels.
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 800;

private:
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
};

}  // namespace cpuchat::test
