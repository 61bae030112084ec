#include "Desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace cpuchat::test {

namespace {

constexpr int kServerStartMs = 20000;
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
}

Desktop::~Desktop() {
    stop(m_windowManager);
    stop(m_server);
}

}  // namespace cpuchat::test
