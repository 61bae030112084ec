#pragma once
// The program's random source and clock, behind interfaces a test replaces.

#include <chrono>
#include <cstdint>
#include <random>

namespace cpuchat {

class Random {
public:
    virtual ~Random() = default;
    /// Starts the sequence afresh from `seed`.
    virtual void seed(std::uint64_t seed) = 0;
    /// A uniform whole number from `a` to `b`, both included; `a` when `b` < `a` (so
    /// a draw of a line from an empty list gives line 0).
    virtual int uniform(int a, int b) = 0;
};

class StdRandom : public Random {
public:
    void seed(std::uint64_t seed) override { gen_.seed(seed); }
    int uniform(int a, int b) override {
        if (b <= a) return a;
        return std::uniform_int_distribution<int>(a, b)(gen_);
    }

private:
    std::mt19937_64 gen_{std::random_device{}()};
};

class Clock {
public:
    virtual ~Clock() = default;
    /// Now, with at least microsecond resolution: seeds and the session log's date.
    virtual std::chrono::system_clock::time_point now() = 0;
    /// A seed from now(): two calls in one millisecond give different seeds.
    std::uint64_t seedValue() {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(now().time_since_epoch()).count());
    }
};

class SystemClock : public Clock {
public:
    std::chrono::system_clock::time_point now() override { return std::chrono::system_clock::now(); }
};

}  // namespace cpuchat
