#pragma once
// Helpers for the engine's tests: temporary working directories and a random source
// and clock that the test scripts.

#include <chrono>
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Random.h"

namespace cpuchat::test {

/// A fresh folder under the system's temporary directory, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    /// Writes `bytes` to `relative` (folders created as needed).
    void write(const std::string& relative, std::string_view bytes) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

/// A working directory holding copies of the program's default data.
void copyDefaultData(const std::filesystem::path& to);

/// Windows-1251 text from UTF-8 source text, for readable tests.
std::string w(std::string_view utf8);

/// Lines joined with CR LF after each, Windows-1251 from UTF-8.
std::string plainFile(const std::vector<std::string>& utf8Lines);

/// A random source that returns scripted values; when the script runs out it returns
/// the lower bound. Records each draw's bounds.
class ScriptedRandom : public Random {
public:
    void seed(std::uint64_t s) override { seeds.push_back(s); }
    int uniform(int a, int b) override;
    std::deque<int> script;
    std::vector<std::pair<int, int>> draws;
    std::vector<std::uint64_t> seeds;
};

/// A clock that advances by one microsecond at every reading.
class FakeClock : public Clock {
public:
    std::chrono::system_clock::time_point now() override {
        t += std::chrono::microseconds(1);
        return t;
    }
    std::chrono::system_clock::time_point t{std::chrono::seconds(1'800'000'000)};
};

}  // namespace cpuchat::test
