#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "InPlaceRewrite.h"
#include "LineCodec.h"
#include "TestSupport.h"
#include "Text.h"

namespace cpuchat {
namespace {

using test::w;

// Starts cpu-chat-cli in `dir` with `input` as its standard input; `limitBytes`, when
// set, limits the size of the files it may write; `unprivileged`: as user 65534 when
// started as root; `output`: where its standard output goes.
pid_t start(const std::filesystem::path& dir, const std::filesystem::path& input,
            std::filesystem::path err = {}, rlim_t limitBytes = 0, bool unprivileged = false,
            const std::filesystem::path& output = "/dev/null") {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = err.empty() ? out : ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(errFd, 2);
        if (limitBytes != 0) {
            const rlimit limit{limitBytes, limitBytes};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(126);
        ::execl(CPU_CHAT_CLI, CPU_CHAT_CLI, "--dir", dir.c_str(), "--seed", "1", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

std::map<std::string, std::string> baseFiles(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(dir / "Base")) {
        std::ifstream in(e.path(), std::ios::binary);
        files[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

bool isTemporary(const std::string& name) { return name.ends_with(".cpu-chat-tmp"); }

// A knowledge base big enough that rewriting it takes a while, so kills land mid-write.
std::string bigKnowledgeBase() {
    std::string kb = w("База\r\nПРИВЕТ^Привет! Как дела?;\r\n");
    for (int i = 0; i < 20000; ++i) kb += w("КЛЮЧ") + std::to_string(i) + w("^Ответ номер ") + std::to_string(i) + ";\r\n";
    return kb;
}

// A shared installation: the folder Base refuses new files, its files are writable by
// all, so that the program, started as another user, rewrites them in place.
void shareAsInstalled(const test::TempDir& dir) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    for (const auto& e : std::filesystem::directory_iterator(dir.path() / "Base"))
        std::filesystem::permissions(e.path(), std::filesystem::perms(0666));
    std::filesystem::permissions(dir.path() / "Base", std::filesystem::perms(0555));
}

// Kills the program at random moments, `rounds` times. After each kill every file, as
// the program reads it, is untouched or whole and holds every phrase the program
// confirmed by showing the Cpu's reply to it.
void killAtRandom(bool inPlace, int rounds) {
    test::TempDir dir, io;
    test::copyDefaultData(dir.path());
    dir.write("Base/Words.Dat", bigKnowledgeBase());
    if (inPlace) shareAsInstalled(dir);
    const auto talkFor = [](int round) {
        std::string talk = "привет\n";
        for (int k = 0; k < 6; ++k) talk += "новая фраза " + std::to_string(round) + " " + std::to_string(k) + "\n";
        return talk;
    };
    // One run to the end tells how long a conversation takes on this machine (and in
    // this build: sanitizers slow it down), so that the kills spread over all of it.
    test::TempDir calibration;
    test::copyDefaultData(calibration.path());
    calibration.write("Base/Words.Dat", bigKnowledgeBase());
    if (inPlace) shareAsInstalled(calibration);
    io.write("in", talkFor(-1));
    const auto started = std::chrono::steady_clock::now();
    int status = 0;
    ::waitpid(start(calibration.path(), io.path() / "in", {}, 0, inPlace), &status, 0);
    auto runMicros = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - started).count();

    const auto original = baseFiles(dir.path());
    std::set<std::string> confirmed;  // as keys of the knowledge base
    std::mt19937 gen(2026);
    int kills = 0, changedRounds = 0, cutShort = 0;
    for (int round = 0; round < rounds; ++round) {
        io.write("in", talkFor(round));
        const auto before = baseFiles(dir.path());
        const pid_t pid = start(dir.path(), io.path() / "in", {}, 0, inPlace, io.path() / "out");
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<long long>(0, runMicros)(gen)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) {
            ++kills;
        } else {
            // The run ended before the kill: a busy machine made the measured run slow.
            runMicros = runMicros * 3 / 4;
        }
        std::istringstream out(io.read("out"));
        for (std::string line, user; std::getline(out, line);
             user = line.substr(std::min<std::size_t>(line.size(), 10))) {
            if (line.starts_with("CPU:") && user.starts_with("Новая фраза"))
                confirmed.insert("\r\n" + toUpper(w(user)) + "^");
        }

        const auto after = baseFiles(dir.path());
        if (after != before) ++changedRounds;
        std::map<std::string, int> temporaries;  // per file they were written for
        for (const auto& [name, raw] : after) {
            if (isTemporary(name)) {
                ++temporaries[name.substr(1, name.find(".cpu-chat-tmp") - 18)];
                continue;
            }
            ASSERT_TRUE(original.count(name)) << name;
            cutShort += inplace::interrupted(raw);
            const std::string bytes(inplace::wholeVersion(raw));
            // Either untouched since the start, or a whole document as we write it.
            const bool untouched = bytes == original.at(name);
            const bool whole = isRtf(bytes) && writeRtf(readRtf(bytes)) == bytes;
            ASSERT_TRUE(untouched || whole) << "round " << round << ": " << name;
            // The pools and the logs only grow: what was there stays.
            if (name != "Words.Dat" && before.count(name)) {
                const auto was = readLines(inplace::wholeVersion(before.at(name))).toVector();
                const auto now = readLines(bytes).toVector();
                ASSERT_GE(now.size(), was.size()) << name;
                ASSERT_TRUE(std::equal(was.begin(), was.end(), now.begin())) << "round " << round << ": " << name;
            }
        }
        // A temporary file left by a kill is removed by the next write of its file.
        for (const auto& [target, count] : temporaries) ASSERT_LE(count, 1) << "round " << round << ": " << target;
        const std::string words = writePlainText(readLines(inplace::wholeVersion(after.at("Words.Dat"))));
        for (const std::string& key : confirmed) ASSERT_NE(words.find(key), std::string::npos) << toUtf8(key);
    }
    std::cout << "kills while running: " << kills << " of " << rounds
              << ", rounds that had written: " << changedRounds << ", cut short in place: " << cutShort
              << ", confirmed and kept: " << confirmed.size() << "\n";
    EXPECT_GE(kills, rounds * 3 / 4);       // most kills hit a running program
    EXPECT_GE(changedRounds, rounds / 5);   // and many of them after it had written something
    EXPECT_TRUE(cutShort > 0 || !inPlace);  // and some in the middle of a rewrite in place
}

TEST(CrashSafety, AKillNeverLeavesAFileMixedOrCut) { killAtRandom(false, 200); }

TEST(CrashSafety, AKillDuringARewriteInPlaceLeavesAWholeVersionAndLosesNothing) { killAtRandom(true, 100); }

TEST(TwoCopies, LearnAtOnceWithoutLosingAPhraseOrALogBlock) {
    test::TempDir dir, io;
    test::copyDefaultData(dir.path());
    dir.write("Base/Words.Dat", bigKnowledgeBase());  // a slow rewrite leaves room for the other copy
    constexpr int kPhrases = 20;
    const auto talk = [](char copy) {
        std::string text = "привет\n";
        for (int k = 0; k < kPhrases; ++k) text += std::string("слово") + copy + std::to_string(k) + "\n";
        return text;
    };
    io.write("a", talk('a'));
    io.write("b", talk('b'));
    const pid_t a = start(dir.path(), io.path() / "a");
    const pid_t b = start(dir.path(), io.path() / "b");
    for (const pid_t pid : {a, b}) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto words = readLines(baseFiles(dir.path()).at("Words.Dat")).toVector();
    const auto log = readLines(baseFiles(dir.path()).at("Log.Lormak")).toVector();
    for (const char copy : {'a', 'b'}) {
        for (int k = 0; k < kPhrases; ++k) {
            // One word with no "." in the input: no learned key can answer it.
            const std::string phrase = w(std::string("Слово") + copy + std::to_string(k) + ".");
            EXPECT_EQ(std::count_if(words.begin(), words.end(),
                                    [&](const std::string& line) { return line.starts_with(toUpper(phrase) + "^"); }),
                      1)
                << toUtf8(phrase);
            EXPECT_EQ(std::count(log.begin(), log.end(), "USER:     " + phrase), 1) << toUtf8(phrase);
        }
    }
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string(53, '=')), 2);  // both session blocks
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void expectFailedWriteKeepsEverything(const std::filesystem::path& dir, const std::filesystem::path& io,
                                      rlim_t limit) {
    const auto before = baseFiles(dir);
    {
        std::ofstream in(io / "in", std::ios::binary);
        in << "привет\nсовсем новая фраза\n";
    }
    const pid_t pid = start(dir, io / "in", io / "err", limit);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(readFile(io / "err").find("Cannot create file Base\\Words.Dat"), std::string::npos) << readFile(io / "err");
    const auto after = baseFiles(dir);
    EXPECT_EQ(after.at("Words.Dat"), before.at("Words.Dat"));
    for (const auto& [name, bytes] : after) EXPECT_FALSE(isTemporary(name)) << name;
}

TEST(DiskFull, AFileSizeLimitFailsTheWriteAndKeepsTheFile) {
    test::TempDir dir, io;
    test::copyDefaultData(dir.path());
    dir.write("Base/Words.Dat", bigKnowledgeBase());  // its RTF form exceeds the limit
    expectFailedWriteKeepsEverything(dir.path(), io.path(), 300 * 1024);
}

TEST(DiskFull, AFullFileSystemFailsTheWriteAndKeepsTheFile) {
    test::TempDir dir, io;
    if (::geteuid() != 0 || ::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=2m") != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    test::copyDefaultData(dir.path());
    dir.write("Base/Words.Dat", bigKnowledgeBase());
    std::error_code ec;
    std::filesystem::remove_all(dir.path() / "Sound", ec);
    // Fill the rest of the file system but for a little room.
    {
        std::ofstream filler(dir.path() / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    std::filesystem::resize_file(dir.path() / "filler", std::filesystem::file_size(dir.path() / "filler") - 64 * 1024);
    expectFailedWriteKeepsEverything(dir.path(), io.path(), 0);
    ::umount2(dir.path().c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace cpuchat
