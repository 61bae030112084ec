#include "Desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace cpuchat::test {

namespace {

// Generous bounds on a busy machine; a normal start takes a fraction of a second.
constexpr int kServerStartMs = 60000;
constexpr int kWindowManagerStartMs = 60000;
constexpr int kDisplayFd = 3;

// Starts `argv` with its output and errors on /dev/null; `displayFd`, when given,
// becomes descriptor 3 of the child. The child ends with this process, also when a
// test crashes and no destructor runs.
pid_t spawn(std::vector<std::string> argv, int displayFd = -1) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (displayFd == kDisplayFd) {
            fcntl(kDisplayFd, F_SETFD, 0);  // kept open across the exec
        } else if (displayFd >= 0) {
            dup2(displayFd, kDisplayFd);
        }
        execvp(args[0], args.data());
        const char failed = 1;  // the exec failed: tell the parent through the pipe
        (void)!write(ends[1], &failed, 1);
        _exit(127);
    }
    close(ends[1]);
    char failed = 0;
    const bool started = pid > 0 && read(ends[0], &failed, 1) == 0;  // closed by the exec
    close(ends[0]);
    if (!started) {
        if (pid > 0) waitpid(pid, nullptr, 0);
        throw std::runtime_error("cannot start " + argv[0] + " (is it installed?)");
    }
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Xvfb writes its display number to the -displayfd once it accepts connections.
std::string readDisplayNumber(int fd) {
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    while (number.empty() || number.back() != '\n') {
        char c = 0;
        if (poll(&ready, 1, kServerStartMs) <= 0 || read(fd, &c, 1) != 1) return {};
        number += c;
    }
    number.pop_back();
    return number;
}

// openbox manages windows once it has framed one of them: a window of this process,
// mapped before openbox runs (openbox adopts it) or after, gets its frame extents.
// The application connects after that, so the toolkit finds the window manager's
// supported hints, the frame extents among them, already announced.
bool windowManagerFrames(int boundMs) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const char name[] = "_NET_FRAME_EXTENTS";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    const xcb_atom_t extents = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(atom);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t probe = xcb_generate_id(connection);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &events);
    xcb_map_window(connection, probe);
    xcb_flush(connection);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    bool framed = false;
    while (!framed && !xcb_connection_has_error(connection)) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == extents) {
                framed = true;
            }
            std::free(event);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (framed || left.count() <= 0) break;
        pollfd ready{xcb_get_file_descriptor(connection), POLLIN, 0};
        poll(&ready, 1, static_cast<int>(left.count()));
    }
    xcb_destroy_window(connection, probe);
    xcb_disconnect(connection);
    return framed;
}

}  // namespace

Desktop::Desktop() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    try {
        m_server = spawn({"Xvfb", "-displayfd", std::to_string(kDisplayFd), "-screen", "0",
                          std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24", "-nolisten", "tcp"},
                         ends[1]);
    } catch (...) {
        close(ends[0]);
        close(ends[1]);
        throw;
    }
    close(ends[1]);
    const std::string number = readDisplayNumber(ends[0]);
    close(ends[0]);
    if (number.empty()) {
        stop(m_server);
        throw std::runtime_error("Xvfb did not report its display");
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    try {
        m_windowManager = spawn({"openbox", "--sm-disable"});
    } catch (...) {
        stop(m_server);
        throw;
    }
    if (!windowManagerFrames(kWindowManagerStartMs)) {
        stop(m_windowManager);
        stop(m_server);
        throw std::runtime_error("openbox did not frame a window");
    }
}

Desktop::~Desktop() {
    stop(m_windowManager);
    stop(m_server);
}

}  // namespace cpuchat::test
