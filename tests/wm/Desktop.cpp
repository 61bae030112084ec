#include "Desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace cpuchat::test {

namespace {

constexpr int kServerStartMs = 20000;
constexpr int kDisplayFd = 3;

// Starts `argv` with its output and errors on /dev/null; `displayFd`, when given,
// becomes descriptor 3 of the child.
pid_t spawn(std::vector<std::string> argv, int displayFd = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (displayFd >= 0) posix_spawn_file_actions_adddup2(&actions, displayFd, kDisplayFd);
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + argv[0] + " (is it installed?)");
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
