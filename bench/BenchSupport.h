#pragma once
// What the benchmark programs share: their command line, their temporary working
// directory, medians, and the resident-set readings of their memory children.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cpuchat::benchdata {

/// Own options of a benchmark program, read before Google Benchmark's.
struct BenchOptions {
    std::vector<std::size_t> sizes;  // --sizes=10000,100000 limits the generated sizes
    bool memory = true;              // --no-memory skips the memory children
    bool keep = false;               // --keep leaves the working directory
};

/// Parses the options, creates a fresh working directory under $TMPDIR (or /tmp), runs
/// `body` in it and removes it unless --keep was given. Returns the exit status.
inline int runBenchmarkProgram(
    int argc, char** argv, const char* program, std::vector<std::size_t> sizes,
    const std::function<void(const std::filesystem::path&, const BenchOptions&)>& body) {
    BenchOptions options;
    options.sizes = std::move(sizes);
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--sizes=")) {
            options.sizes.clear();
            std::string list(arg.substr(8));
            for (char* p = list.data(); *p;) {
                options.sizes.push_back(std::strtoull(p, &p, 10));
                while (*p == ',') ++p;
            }
        } else if (arg == "--no-memory") {
            options.memory = false;
        } else if (arg == "--keep") {
            options.keep = true;
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + program + ".XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path root = pattern;
    std::printf("working directory %s\n", root.c_str());

    int status = 0;
    try {
        body(root, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        status = 1;
    }
    if (options.keep) {
        std::printf("kept %s\n", root.c_str());
    } else {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    return status;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

/// Resident set ("VmRSS") or its high-water mark ("VmHWM") in bytes, or -1.
inline std::int64_t statusBytes(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    std::int64_t kib = -1;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            kib = std::strtoll(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kib < 0 ? -1 : kib * 1024;
}

/// Runs this program afresh with the single argument `arg` (fork, then exec, so the
/// child's heap is a new program's); its standard output when it exits with 0.
inline std::optional<std::string> runSelf(const char* program, const std::string& arg) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl("/proc/self/exe", program, arg.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

}  // namespace cpuchat::benchdata
