// Time and peak memory of one Say on large knowledge bases.
//
// Generates knowledge bases of 10 000, 100 000 and 1 000 000 lines (Russian-like
// keys and answers with branch lines, reply pools of a tenth of that), each in plain
// text and in RTF, in a temporary working directory, and measures:
//   found   one Say answered by the main scan from a key at about 95% of the file;
//   branch  one Say answered by the branch scan right after that key;
//   learn   one Say of a new unknown phrase after a found one, in a session that has
//           learned before: the remark pool grows and the knowledge base is rewritten
//           once (new key, and the previous reply's line moved to the end with the new
//           answer);
//   decode  (RTF only) the knowledge base's bytes, already in memory, read to its
//           lines: what a Say pays on top of the file read once the file changed;
// against baselines timed in the same iterations, right before each Say, so both see
// the same load of a shared machine:
//   read          the knowledge base's bytes copied out of the page cache through a
//                 reused 1 MiB buffer: the bare cost of the copy;
//   read+rewrite  the knowledge base and the pool read so, then files of their size
//                 durably replaced through DiskFileSystem::replace (temporary file,
//                 fsync, rename, fsync of the folder) by their bytes.
// Files are left unchanged for longer than the file system's timestamp granularity
// before a Say, as between phrases a person types; a file changed more recently is
// read again, since its version cannot vouch for it.
// The engine's file system is wrapped in a stopwatch, so each Say is also split into
// time in file reads, in durable replaces, and the rest (scanning, decoding, RTF
// encoding, list copies).
// Peak memory: in a fresh child process, three Says of one kind on a new file store;
// the growth of the peak resident set over the resident set before the first Say, as
// a multiple of the knowledge base's file size, and the size of the main scan's index.
//
// Targets: found and branch at most 0.5 x read; learn at most 1 x read+rewrite;
// memory at most 3 x the file size. The table at the end reports medians.
//
// Own options (before Google Benchmark's): --sizes=10000,100000 limits the sizes;
// --no-memory skips the memory children; --keep leaves the working directory.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "Engine.h"
#include "FileStore.h"
#include "FileSystem.h"
#include "KnowledgeBaseGenerator.h"
#include "LineCodec.h"
#include "LineList.h"
#include "Matching.h"
#include "Random.h"
#include "Text.h"

namespace {

using namespace cpuchat;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

using namespace cpuchat::benchdata;

constexpr std::string_view kWords = "Base\\Words.Dat";
constexpr std::string_view kRemarkPool = "Base\\W2.Dat";
constexpr std::string_view kCopy = "Base\\Copy.Dat";  // what the baselines rewrite
constexpr std::string_view kPoolCopy = "Base\\CopyPool.Dat";

// Draws the lower bound, so every choice of an answer or a pool line takes the first;
// except the two draws that would change the path of a Say: the long-phrase draw
// (1 to 6) and the afterthought draw (1 to 3) give 2 (no long-phrase reply, no
// afterthought). The generated lines that are answered hold 1 or 2 answers, so no
// answer choice draws from 1 to 3 or 1 to 6.
class BenchRandom : public Random {
public:
    void seed(std::uint64_t) override {}
    int uniform(int a, int b) override {
        if (a == 1 && (b == 6 || b == 3)) return 2;
        return a;
    }
};

// ---------------------------------------------------------------------------------
// Working directories.

// The disk under a working directory, with a stopwatch on reads and replaces.
class TimedFileSystem : public FileSystem {
public:
    explicit TimedFileSystem(fs::path root) : disk_(std::move(root)) {}

    std::string read(std::string_view name) override {
        const Watch w(readSec_);
        return disk_.read(name);
    }
    std::optional<std::string> readIfChanged(std::string_view name, std::string_view known) override {
        const Watch w(readSec_);
        return disk_.readIfChanged(name, known);
    }
    void replace(std::string_view name, std::string_view bytes) override {
        const Watch w(replaceSec_);
        disk_.replace(name, bytes);
    }
    std::string readVersioned(std::string_view name, FileVersion& version) override {
        const Watch w(readSec_);
        return disk_.readVersioned(name, version);
    }
    std::optional<std::string> readIfChangedSince(std::string_view name, std::string_view known,
                                                  FileVersion& version) override {
        const Watch w(readSec_);
        return disk_.readIfChangedSince(name, known, version);
    }
    void replaceVersioned(std::string_view name, std::string_view bytes, FileVersion& version) override {
        const Watch w(replaceSec_);
        disk_.replaceVersioned(name, bytes, version);
    }
    FileLock lock(std::string_view name) override {
        const Watch w(lockSec_);
        return disk_.lock(name);
    }

    DiskFileSystem& disk() noexcept { return disk_; }
    void resetWatch() noexcept { readSec_ = replaceSec_ = lockSec_ = 0; }
    double readSeconds() const noexcept { return readSec_; }
    double replaceSeconds() const noexcept { return replaceSec_; }
    double lockSeconds() const noexcept { return lockSec_; }

private:
    class Watch {
    public:
        explicit Watch(double& total) : total_(total), start_(Steady::now()) {}
        ~Watch() { total_ += std::chrono::duration<double>(Steady::now() - start_).count(); }

    private:
        double& total_;
        Steady::time_point start_;
    };
    DiskFileSystem disk_;
    double readSec_ = 0;
    double replaceSec_ = 0;
    double lockSec_ = 0;
};

struct Setup {
    std::size_t lines = 0;
    bool rtf = false;
    fs::path dir;  // working directory: Base/ and pristine/
    std::uintmax_t kbBytes = 0;
    std::uintmax_t poolBytes = 0;
    std::unique_ptr<TimedFileSystem> files;
    std::unique_ptr<FileStore> store;  // one per working directory, as in the program

    std::string form() const { return rtf ? "rtf" : "plain"; }
    std::string name() const { return std::to_string(lines) + "/" + form(); }
};

// Waits out the file system's timestamp granularity, as between two phrases a person
// types: a file written more recently than that is read again (its version cannot
// vouch for it).
void pause() {
    std::this_thread::sleep_for(std::chrono::nanoseconds(FileVersion::kGranularityNs) +
                                std::chrono::milliseconds(100));
}

const char* const kRestored[] = {"Words.Dat", "W1.Dat", "W2.Dat"};

// Puts the generated knowledge base and pools back (learning changed them) and
// flushes them, so no write-back of the copy runs during a measurement. With
// `settle`, then waits until the files were written longer ago than the file
// system's timestamp granularity, as a knowledge base is that nobody changed in the
// last seconds: before that, the store cannot trust a file's version and reads it.
void restore(const Setup& s, bool settle = false) {
    for (const char* name : kRestored) {
        fs::copy_file(s.dir / "pristine" / name, s.dir / "Base" / name, fs::copy_options::overwrite_existing);
    }
    ::sync();
    if (settle) pause();
}

std::vector<std::unique_ptr<Setup>> generate(const fs::path& root, const std::vector<std::size_t>& sizes) {
    std::vector<std::unique_ptr<Setup>> setups;
    for (std::size_t lines : sizes) {
        const auto t0 = Steady::now();
        Generator g(static_cast<std::uint32_t>(lines));
        const LineList kb = makeKnowledgeBase(lines, g);
        const LineList w1 = makePool(lines / 10, g);
        const LineList w2 = makePool(lines / 10, g);
        LineList small;
        for (int i = 0; i < 20; ++i) small.append(g.sentenceLine());
        const std::string smallText = writePlainText(small);
        for (bool rtf : {false, true}) {
            auto s = std::make_unique<Setup>();
            s->lines = lines;
            s->rtf = rtf;
            s->dir = root / (std::to_string(lines) + "-" + s->form());
            fs::create_directories(s->dir / "Base");
            fs::create_directories(s->dir / "pristine");
            const auto encode = [&](const LineList& l) { return rtf ? writeRtf(l) : writePlainText(l); };
            const std::string kbBytes = encode(kb);
            const std::string w1Bytes = encode(w1);
            const std::string w2Bytes = encode(w2);
            s->kbBytes = kbBytes.size();
            s->poolBytes = w2Bytes.size();
            writeFile(s->dir / "pristine" / "Words.Dat", kbBytes);
            writeFile(s->dir / "pristine" / "W1.Dat", w1Bytes);
            writeFile(s->dir / "pristine" / "W2.Dat", w2Bytes);
            for (const char* name : {"X.Dat", "Povtor.Dat", "BigString.Dat", "AI.dat", "Pause.Dat", "Log.Lormak"}) {
                writeFile(s->dir / "Base" / name, smallText);
            }
            writeFile(s->dir / "Base" / "Collection.Dat", "");
            writeFile(s->dir / "Base" / "Copy.Dat", "");
            writeFile(s->dir / "Base" / "CopyPool.Dat", "");
            restore(*s);
            s->files = std::make_unique<TimedFileSystem>(s->dir);
            s->store = std::make_unique<FileStore>(*s->files);
            setups.push_back(std::move(s));
        }
        std::printf("generated %zu lines (plain %.1f MB, RTF %.1f MB) in %.1f s\n", lines,
                    double(setups[setups.size() - 2]->kbBytes) / 1e6, double(setups.back()->kbBytes) / 1e6,
                    std::chrono::duration<double>(Steady::now() - t0).count());
        std::fflush(stdout);
    }
    return setups;
}

// ---------------------------------------------------------------------------------
// Results.

enum class Case { Found, Branch, Learn };
constexpr Case kCases[] = {Case::Found, Case::Branch, Case::Learn};

const char* caseName(Case c) {
    switch (c) {
        case Case::Found: return "found";
        case Case::Branch: return "branch";
        case Case::Learn: return "learn";
    }
    return "?";
}

struct Result {
    double sayMs = NAN;      // median time of one Say
    double baseMs = NAN;     // median time of its baseline, taken in the same iterations
    double readMs = NAN;     // median time of the Say in its file system's reads
    double replaceMs = NAN;  // median time of the Say in its file system's replaces
    double lockMs = NAN;     // median time of the Say taking the locks other copies honour
};
struct Memory {
    double growth = NAN;  // peak resident growth, bytes
    double kbMax = NAN;   // largest size of the knowledge base file during the Says
    double index = NAN;   // bytes of the main scan's index
};
using Key = std::pair<std::string, Case>;  // setup name, case
std::map<Key, Result> g_results;
std::map<Key, Memory> g_memory;

double millis(Steady::time_point a, Steady::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The iterations of one benchmark: each times one Say (reported to Google Benchmark)
// and, just before it, its baseline, so both see the same load of a shared machine.
class Times {
public:
    Times(benchmark::State& state, const Setup& s, Case c) : state_(state), setup_(s), key_(s.name(), c) {}
    ~Times() {
        if (state_.error_occurred() || say_.empty()) return;
        Result r{median(say_), median(base_), median(read_), median(replace_), median(lock_)};
        g_results[key_] = r;
        state_.counters["baseline_ms"] = r.baseMs;
        state_.counters["ratio"] = r.sayMs / r.baseMs;
    }
    void baseline(Steady::time_point a, Steady::time_point b) { base_.push_back(millis(a, b)); }
    void start() {
        setup_.files->resetWatch();
        start_ = Steady::now();
    }
    void stop() {
        const auto end = Steady::now();
        state_.SetIterationTime(std::chrono::duration<double>(end - start_).count());
        say_.push_back(millis(start_, end));
        read_.push_back(setup_.files->readSeconds() * 1e3);
        replace_.push_back(setup_.files->replaceSeconds() * 1e3);
        lock_.push_back(setup_.files->lockSeconds() * 1e3);
    }

private:
    benchmark::State& state_;
    const Setup& setup_;
    Key key_;
    Steady::time_point start_;
    std::vector<double> say_, base_, read_, replace_, lock_;
};

// ---------------------------------------------------------------------------------
// The benchmarks.

SayResult sayFound(Engine& e) { return e.say(Mode::CpuUser, texts().foundInput); }

bool check(benchmark::State& state, bool ok, const char* what) {
    if (!ok) state.SkipWithError(what);
    return ok;
}

// Reads file `path` whole into `buffer`, whose memory is reused from call to call.
bool readInto(const fs::path& path, std::string& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
        buffer.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (ok && got < buffer.size()) {
            const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) got += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return ok;
}

// Reads file `path` through a reused buffer of 1 MiB, which stays in the processor's
// cache: the bare cost of copying the bytes out of the page cache. Returns the
// number of bytes read, or -1.
std::int64_t readThrough(const fs::path& path, std::vector<char>& chunk) {
    chunk.resize(1 << 20);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::int64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) total = -1;
            break;
        }
        total += n;
    }
    ::close(fd);
    benchmark::DoNotOptimize(chunk.data());
    return total;
}

// Baseline of a Say that only searches: the knowledge base's bytes from the page
// cache.
class ReadBaseline {
public:
    explicit ReadBaseline(const Setup& s) : path_(s.dir / "Base" / "Words.Dat"), size_(s.kbBytes) {
        readThrough(path_, chunk_);
    }
    bool run(Times& times) {
        const auto t0 = Steady::now();
        const std::int64_t n = readThrough(path_, chunk_);
        const auto t1 = Steady::now();
        times.baseline(t0, t1);
        return n == std::int64_t(size_);
    }

private:
    fs::path path_;
    std::uintmax_t size_;
    std::vector<char> chunk_;
};

void benchFound(benchmark::State& state, Setup* s) {
    restore(*s, true);
    BenchRandom random;
    SystemClock clock;
    {
        Engine warm(*s->store, random, clock);  // the store decodes the file once
        if (!check(state, sayFound(warm).reply == texts().foundReply, "found key not found")) return;
    }
    ReadBaseline base(*s);
    Times times(state, *s, Case::Found);
    for (auto _ : state) {
        if (!check(state, base.run(times), "cannot read the knowledge base")) break;
        Engine engine(*s->store, random, clock);  // branch depth 0
        times.start();
        const SayResult r = sayFound(engine);
        times.stop();
        if (!check(state, r.completed && r.reply == texts().foundReply, "found key not found")) break;
    }
}

void benchBranch(benchmark::State& state, Setup* s) {
    restore(*s, true);
    BenchRandom random;
    SystemClock clock;
    {
        Engine warm(*s->store, random, clock);
        sayFound(warm);
    }
    ReadBaseline base(*s);
    Times times(state, *s, Case::Branch);
    for (auto _ : state) {
        Engine engine(*s->store, random, clock);
        if (!check(state, sayFound(engine).reply == texts().foundReply, "found key not found")) break;
        if (!check(state, base.run(times), "cannot read the knowledge base")) break;
        times.start();
        const SayResult r = engine.say(Mode::CpuUser, texts().branchInput);
        times.stop();
        if (!check(state, r.completed && r.reply == texts().branchReply && engine.branchDepth() == 2,
                   "branch not answered")) {
            break;
        }
    }
}

// A changed RTF knowledge base is decoded whole on the next Say: the decoding alone,
// from the file's bytes in memory to its lines.
void benchDecode(benchmark::State& state, Setup* s) {
    std::string bytes;
    if (!check(state, readInto(s->dir / "pristine" / "Words.Dat", bytes), "cannot read")) return;
    for (auto _ : state) {
        const LineList lines = readLines(bytes);
        if (!check(state, lines.size() == s->lines, "wrong number of lines")) break;
    }
}

int g_phraseNumber = 0;

// The learning Say did all it should: the pool grew by the phrase, and the found
// reply's line holds the phrase as its last answer at the end of the knowledge base.
bool learned(Setup& s, const std::string& phrase) {
    std::string normalised = phrase + ".";
    normalised[0] = upperChar(normalised[0]);
    const Lines kb = s.store->read(kWords);
    const Lines pool = s.store->read(kRemarkPool);
    return kb->back().starts_with(texts().knownLine) && kb->back().ends_with(normalised + ";") &&
           pool->back() == normalised;
}

// Learning in a session: each iteration a found Say and then, timed, a Say of a new
// unknown phrase, a few seconds after the one before; the store has written both files
// once before the first (a session's first learning Say encodes the whole knowledge
// base, the ones after it only the lines from the first one changed).
void benchLearn(benchmark::State& state, Setup* s) {
    BenchRandom random;
    SystemClock clock;
    // Baseline: the knowledge base and the pool read from the page cache, then files of
    // their size durably replaced by their bytes (in the same folder, as learning
    // replaces them).
    DiskFileSystem& disk = s->files->disk();
    const fs::path kbPath = s->dir / "Base" / "Words.Dat";
    const fs::path poolPath = s->dir / "Base" / "W2.Dat";
    std::string kbNow, poolNow;
    std::vector<char> chunk;
    restore(*s, true);
    {
        Engine first(*s->store, random, clock);
        if (!check(state, sayFound(first).reply == texts().foundReply, "found key not found")) return;
        const SayResult r = first.say(Mode::CpuUser, unknownPhrase(++g_phraseNumber));
        if (!check(state, r.completed, "learning did not complete")) return;
    }
    Times times(state, *s, Case::Learn);
    for (auto _ : state) {
        pause();
        if (!check(state, readInto(kbPath, kbNow) && readInto(poolPath, poolNow), "cannot read")) break;
        const auto t0 = Steady::now();
        const bool ok = readThrough(kbPath, chunk) == std::int64_t(kbNow.size()) &&
                        readThrough(poolPath, chunk) == std::int64_t(poolNow.size());
        disk.replace(kCopy, kbNow);
        disk.replace(kPoolCopy, poolNow);
        const auto t1 = Steady::now();
        if (!check(state, ok, "cannot read")) break;
        times.baseline(t0, t1);

        Engine engine(*s->store, random, clock);
        if (!check(state, sayFound(engine).reply == texts().foundReply, "found key not found")) break;
        const std::string phrase = unknownPhrase(++g_phraseNumber);
        times.start();
        const SayResult r = engine.say(Mode::CpuUser, phrase);
        times.stop();
        if (!check(state, r.completed && !r.failure && learned(*s, phrase), "learning did not rewrite the files")) {
            break;
        }
    }
    restore(*s);
}

// ---------------------------------------------------------------------------------
// Peak memory, in a child process.
//
// The child is this program started afresh (fork, then exec with --memory-child), so
// its heap is that of a new program, not the parent's after generating gigabytes.
// Its peak is the kernel's high-water mark of its resident set (VmHWM), set back to
// the current resident set just before the first Say; getrusage's ru_maxrss cannot
// serve here, as it keeps the parent's peak across the exec.

// The child: three Says of one kind on a fresh file store (decoding included, as at
// the program's start). Prints the peak growth in bytes and the largest size of the
// knowledge base file (before or after the Says).
int memoryChild(std::string_view args) {
    // args: CASE,KB_BYTES,DIR
    const std::size_t c1 = args.find(',');
    const std::size_t c2 = args.find(',', c1 + 1);
    if (c1 == std::string_view::npos || c2 == std::string_view::npos) return 2;
    const Case c = static_cast<Case>(std::stoi(std::string(args.substr(0, c1))));
    const std::uintmax_t kbBytes = std::stoull(std::string(args.substr(c1 + 1, c2 - c1 - 1)));
    const fs::path dir(std::string(args.substr(c2 + 1)));

    DiskFileSystem files(dir);
    FileStore store(files);
    BenchRandom random;
    SystemClock clock;
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);  // the high-water mark starts from here
        std::fclose(f);
    }
    const std::int64_t before = statusBytes("VmRSS");
    bool ok = before >= 0;
    for (int i = 0; i < 3 && ok; ++i) {
        Engine engine(store, random, clock);
        ok = sayFound(engine).reply == texts().foundReply;
        if (ok && c == Case::Branch) ok = engine.say(Mode::CpuUser, texts().branchInput).reply == texts().branchReply;
        if (ok && c == Case::Learn) ok = engine.say(Mode::CpuUser, unknownPhrase(900000 + i)).completed;
    }
    const std::int64_t peak = statusBytes("VmHWM");
    if (!ok || peak < 0) return 1;
    std::error_code ec;
    const std::uintmax_t after = fs::file_size(dir / "Base" / "Words.Dat", ec);
    const std::size_t index = store.readIndexed(kWords).second->memoryBytes();
    std::printf("%lld %llu %zu\n", static_cast<long long>(peak - before),
                static_cast<unsigned long long>(std::max<std::uintmax_t>(kbBytes, ec ? 0 : after)), index);
    return 0;
}

Memory peakMemory(const Setup& s, Case c) {
    restore(s);
    const std::optional<std::string> out =
        runSelf("say_bench", "--memory-child=" + std::to_string(static_cast<int>(c)) + "," +
                                 std::to_string(s.kbBytes) + "," + s.dir.string());
    restore(s);
    Memory m;
    long long growth = 0;
    unsigned long long kbMax = 0;
    std::size_t index = 0;
    if (out && std::sscanf(out->c_str(), "%lld %llu %zu", &growth, &kbMax, &index) == 3) {
        m.growth = double(growth);
        m.kbMax = double(kbMax);
        m.index = double(index);
    }
    return m;
}

// ---------------------------------------------------------------------------------
// The table.

std::string num(double v, const char* fmt) {
    if (std::isnan(v)) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

void printTable(const std::vector<std::unique_ptr<Setup>>& setups) {
    std::printf(
        "\nOne Say (median of its iterations) against its baseline, timed in the same iterations:\n"
        "  read          the knowledge base's bytes copied out of the page cache (1 MiB reads);\n"
        "  read+rewrite  Words.Dat and W2.Dat read, then files of their size in the same folder durably\n"
        "                replaced (temporary file, fsync, rename, fsync of the folder) by their bytes.\n"
        "peak MB: peak resident growth over three Says of the kind on a fresh file store (decoding\n"
        "included); memory x: that over the knowledge base's file size (for learning on a plain file,\n"
        "over the RTF file it becomes); index MB: the main scan's index. Targets: ratio <= 0.5 (found,\n"
        "branch), <= 1 (learn); memory x <= 3.\n\n");
    std::printf("%9s %-6s %8s  %-7s %10s  %-12s %10s %7s %9s %9s %9s  %s\n", "lines", "form", "KB MB", "case",
                "ms/Say", "baseline", "base ms", "ratio", "peak MB", "memory x", "index MB", "targets");
    std::printf("%s\n", std::string(120, '-').c_str());
    for (const auto& sp : setups) {
        const Setup& s = *sp;
        for (Case c : kCases) {
            const auto rit = g_results.find({s.name(), c});
            const Result r = rit == g_results.end() ? Result{} : rit->second;
            const auto mit = g_memory.find({s.name(), c});
            const Memory m = mit == g_memory.end() ? Memory{} : mit->second;
            const double ratio = r.sayMs / r.baseMs;
            const double mem = m.growth / m.kbMax;
            std::string verdict;
            if (ratio > (c == Case::Learn ? 1.0 : 0.5)) verdict += "time MISSED ";
            if (mem > 3) verdict += "memory MISSED";
            if (verdict.empty()) verdict = std::isnan(ratio) && std::isnan(mem) ? "-" : "met";
            std::printf("%9zu %-6s %8.1f  %-7s %10s  %-12s %10s %7s %9s %9s %9s  %s\n", s.lines, s.form().c_str(),
                        double(s.kbBytes) / 1e6, caseName(c), num(r.sayMs, "%.3f").c_str(),
                        c == Case::Learn ? "read+rewrite" : "read", num(r.baseMs, "%.3f").c_str(),
                        num(ratio, "%.2f").c_str(), num(m.growth / 1e6, "%.1f").c_str(), num(mem, "%.2f").c_str(),
                        num(m.index / 1e6, "%.1f").c_str(), verdict.c_str());
        }
    }
    std::printf(
        "\nWhere a Say's time goes (medians, ms): in the engine's file reads (with the comparison of\n"
        "the file against what its store decoded), in its durable replaces, in taking the locks that\n"
        "keep a second copy of the program from changing a file at the same time (and their share of\n"
        "the Say), and the rest (scanning, decoding, RTF encoding, list copies).\n\n");
    std::printf("%9s %-6s  %-7s %10s %10s %10s %10s %7s %10s\n", "lines", "form", "case", "ms/Say", "reads",
                "replaces", "locks", "locks %", "rest");
    std::printf("%s\n", std::string(87, '-').c_str());
    for (const auto& sp : setups) {
        const Setup& s = *sp;
        for (Case c : kCases) {
            const auto it = g_results.find({s.name(), c});
            const Result r = it == g_results.end() ? Result{} : it->second;
            std::printf("%9zu %-6s  %-7s %10s %10s %10s %10s %7s %10s\n", s.lines, s.form().c_str(), caseName(c),
                        num(r.sayMs, "%.3f").c_str(), num(r.readMs, "%.3f").c_str(), num(r.replaceMs, "%.3f").c_str(),
                        num(r.lockMs, "%.3f").c_str(), num(100 * r.lockMs / r.sayMs, "%.2f").c_str(),
                        num(r.sayMs - r.readMs - r.replaceMs - r.lockMs, "%.3f").c_str());
        }
    }
    std::printf("\n");
}

int iterationsFor(std::size_t lines, Case c) {
    const bool learn = c == Case::Learn;
    if (lines <= 10000) return learn ? 20 : 100;
    // Learning waits out the timestamp granularity before each Say; enough of them
    // that the median is not one durable rewrite's luck.
    if (lines <= 100000) return learn ? 15 : 30;
    return learn ? 5 : 7;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]).starts_with("--memory-child=")) {
        return memoryChild(std::string_view(argv[1]).substr(15));
    }
    return runBenchmarkProgram(argc, argv, "say_bench", {10000, 100000, 1000000},
                               [](const fs::path& root, const BenchOptions& options) {
        auto setups = generate(root, options.sizes);

        if (options.memory) {
            for (const auto& s : setups) {
                for (Case c : kCases) g_memory[{s->name(), c}] = peakMemory(*s, c);
                std::printf("peak memory growth %-14s", s->name().c_str());
                for (Case c : kCases) {
                    const Memory& m = g_memory[{s->name(), c}];
                    std::printf("  %s %.1f MB", caseName(c), m.growth / 1e6);
                }
                std::printf("\n");
                std::fflush(stdout);
            }
        }

        for (const auto& sp : setups) {
            Setup* s = sp.get();
            for (Case c : kCases) {
                void (*fn)(benchmark::State&, Setup*) =
                    c == Case::Found ? benchFound : c == Case::Branch ? benchBranch : benchLearn;
                const std::string name = std::string(caseName(c)) + "/" + s->name();
                benchmark::RegisterBenchmark(name.c_str(), fn, s)
                    ->UseManualTime()
                    ->Iterations(iterationsFor(s->lines, c))
                    ->Unit(benchmark::kMillisecond);
            }
            if (s->rtf) {
                benchmark::RegisterBenchmark(("decode/" + s->name()).c_str(), benchDecode, s)
                    ->Iterations(iterationsFor(s->lines, Case::Found))
                    ->Unit(benchmark::kMillisecond);
            }
        }
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        printTable(setups);
                               });
}
