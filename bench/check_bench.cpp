// Time and peak memory of `cpu-chat-cli --check` on large knowledge bases.
//
// Generates knowledge bases of 100 000 and 1 000 000 lines, in plain text and in RTF,
// in a temporary working directory: keys of one or two words as in the Say benchmark,
// mixed with whole phrases of three to six words (answered, or unanswered as learning
// leaves them) and branch lines of depth 1 to 3 under both. Each iteration runs the
// console's check (read, decode, check, print) in a fresh process, this program
// started again with --child=DIR, which reports its time and the growth of its peak
// resident set (VmHWM) over its resident set before the check.
//
// Also two shapes that are the worst for the search of the lines an input can match:
// keys that all start with one 30-letter word, and one-word keys of 1 to 250 letters.
//
// Targets: 100 000 lines in under 2 s, 1 000 000 lines in under 30 s; the worst shapes
// at 100 000 lines in under 5 s.
//
// Own options (before Google Benchmark's): --sizes=100000 limits the sizes; --keep
// leaves the working directory.

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "FileSystem.h"
#include "KnowledgeBaseGenerator.h"
#include "LineCodec.h"
#include "Tools.h"

namespace {

using namespace cpuchat;
using namespace cpuchat::benchdata;
namespace fs = std::filesystem;

// One main line in ten is a whole phrase, one in twenty an unanswered one; one in five
// answered lines is followed by one to three branch lines.
LineList makeAuthoredBase(std::size_t lines, Generator& g) {
    LineList kb;
    kb.reserve(lines, lines * 72);
    kb.append(texts().header);
    while (kb.size() < lines) {
        const int kind = g.pick(1, 20);
        if (kind == 1) {
            kb.append(g.phraseLine(0, false));
            continue;
        }
        kb.append(kind <= 3 ? g.phraseLine(0, true) : g.mainLine());
        if (g.pick(1, 5) != 1) continue;
        const int branches = g.pick(1, 3);
        for (int b = 1; b <= branches && kb.size() < lines; ++b) {
            const int depth = g.pick(1, b);
            kb.append(g.pick(0, 1) ? g.phraseLine(depth, true) : g.branchLine(depth));
        }
    }
    return kb;
}

// The worst shapes for the check's search of the lines an input can match: every key
// starts with the same 30-letter word and reaches its own line, or every key is one
// word of 1 to 250 letters.
LineList makeSharedWordBase(std::size_t lines, Generator& g) {
    LineList kb;
    kb.append(texts().header);
    const std::string first = g.capitalWord(30);
    while (kb.size() < lines) kb.append(g.sharedFirstWordLine(first));
    return kb;
}

LineList makeLongWordBase(std::size_t lines, Generator& g) {
    LineList kb;
    kb.append(texts().header);
    while (kb.size() < lines) kb.append(g.longWordLine(g.pick(1, 250)));
    return kb;
}

// Output that is only counted, as if it went to /dev/null: the report is formatted in
// full but never held.
class LineCounter : public std::streambuf {
public:
    std::size_t lines = 0;

protected:
    int_type overflow(int_type c) override {
        lines += c == '\n';
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        lines += static_cast<std::size_t>(std::count(s, s + n, '\n'));
        return n;
    }
};

// The child: one check as the console runs it; prints seconds, peak growth in bytes
// and the number of output lines.
int child(const fs::path& dir) {
    const std::int64_t before = statusBytes("VmRSS");
    const auto t0 = std::chrono::steady_clock::now();
    DiskFileSystem files(dir);
    ToolOptions options;
    options.command = ToolOptions::Command::Check;
    std::istringstream in;
    LineCounter counted;
    std::ostream out(&counted);
    const int status = runTool(options, files, in, out, std::cerr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const std::int64_t peak = statusBytes("VmHWM");
    if (status == 2 || before < 0 || peak < 0) return 1;
    std::printf("%.6f %lld %zu\n", seconds, static_cast<long long>(peak - before), counted.lines);
    return 0;
}

struct Setup {
    std::size_t lines = 0;
    std::string shape;  // "plain" and "rtf": the authored base in either form; else a worst shape
    fs::path dir;
    std::uintmax_t bytes = 0;
    std::string name() const { return std::to_string(lines) + "/" + shape; }
    bool worstShape() const { return shape != "plain" && shape != "rtf"; }
    double limit() const { return worstShape() ? 5.0 : lines <= 100000 ? 2.0 : 30.0; }
};

struct Run {
    double seconds = NAN;
    double growth = NAN;
    std::size_t outputLines = 0;
};

Run runChild(const Setup& s) {
    const std::optional<std::string> out = runSelf("check_bench", "--child=" + s.dir.string());
    Run r;
    long long growth = 0;
    if (out && std::sscanf(out->c_str(), "%lf %lld %zu", &r.seconds, &growth, &r.outputLines) == 3) {
        r.growth = double(growth);
    } else {
        r.seconds = NAN;
    }
    return r;
}

std::map<std::string, std::vector<Run>> g_runs;

void benchCheck(benchmark::State& state, const Setup* s) {
    for (auto _ : state) {
        const Run r = runChild(*s);
        if (std::isnan(r.seconds)) {
            state.SkipWithError("the check failed");
            break;
        }
        state.SetIterationTime(r.seconds);
        g_runs[s->name()].push_back(r);
    }
}

void printTable(const std::vector<std::unique_ptr<Setup>>& setups) {
    std::printf(
        "\n--check in a fresh process (median of its runs): read, decode, check and print.\n"
        "peak MB: growth of the peak resident set over the resident set before the check;\n"
        "memory x: that over the file's size. Targets: 100 000 lines < 2 s, 1 000 000 lines < 30 s;\n"
        "the worst shapes (shared-word, long-words) at 100 000 lines < 5 s.\n\n");
    std::printf("%9s %-11s %8s %9s %9s %9s %9s  %s\n", "lines", "shape", "file MB", "seconds", "peak MB",
                "memory x", "findings", "target");
    std::printf("%s\n", std::string(85, '-').c_str());
    for (const auto& sp : setups) {
        const Setup& s = *sp;
        std::vector<double> seconds, growth;
        std::size_t findings = 0;
        for (const Run& r : g_runs[s.name()]) {
            seconds.push_back(r.seconds);
            growth.push_back(r.growth);
            findings = r.outputLines - 1;  // the last line is the summary
        }
        const double t = median(seconds);
        const double limit = s.limit();
        std::printf("%9zu %-11s %8.1f %9.3f %9.1f %9.2f %9zu  %s\n", s.lines, s.shape.c_str(),
                    double(s.bytes) / 1e6, t, median(growth) / 1e6, median(growth) / double(s.bytes),
                    findings,
                    std::isnan(t) ? "-"
                    : t < limit   ? "met"
                                  : "MISSED");
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]).starts_with("--child=")) {
        return child(fs::path(std::string(std::string_view(argv[1]).substr(8))));
    }
    return runBenchmarkProgram(argc, argv, "check_bench", {100000, 1000000},
                               [](const fs::path& root, const BenchOptions& options) {
        std::vector<std::unique_ptr<Setup>> setups;
        const auto add = [&](std::size_t lines, const std::string& shape, const std::string& bytes) {
            auto s = std::make_unique<Setup>();
            s->lines = lines;
            s->shape = shape;
            s->dir = root / (std::to_string(lines) + "-" + shape);
            fs::create_directories(s->dir / "Base");
            s->bytes = bytes.size();
            writeFile(s->dir / "Base" / "Words.Dat", bytes);
            setups.push_back(std::move(s));
        };
        for (std::size_t lines : options.sizes) {
            Generator g(static_cast<std::uint32_t>(lines) + 7);
            const LineList kb = makeAuthoredBase(lines, g);
            add(lines, "plain", writePlainText(kb));
            add(lines, "rtf", writeRtf(kb));
            if (lines > 100000) continue;  // the worst shapes are measured where their target is
            add(lines, "shared-word", writePlainText(makeSharedWordBase(lines, g)));
            add(lines, "long-words", writePlainText(makeLongWordBase(lines, g)));
        }
        for (const auto& s : setups) {
            benchmark::RegisterBenchmark(("check/" + s->name()).c_str(), benchCheck, s.get())
                ->UseManualTime()
                ->Iterations(s->lines <= 100000 ? 5 : 3)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        printTable(setups);
                               });
}
