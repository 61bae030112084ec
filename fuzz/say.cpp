// Whole conversations over a fuzzed knowledge base, pools and phrases: no crash, and
// every line that learning writes into the knowledge base keeps its format (a key
// without "^" or ";", answers closed by ";").
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "Engine.h"
#include "LineCodec.h"
#include "MemoryFileSystem.h"
#include "Text.h"

namespace {

class FuzzRandom : public cpuchat::Random {
public:
    explicit FuzzRandom(FuzzedDataProvider& in) : in_(in) {}
    void seed(std::uint64_t) override {}
    int uniform(int a, int b) override { return b <= a ? a : in_.ConsumeIntegralInRange(a, b); }

private:
    FuzzedDataProvider& in_;
};

class FixedClock : public cpuchat::Clock {
public:
    std::chrono::system_clock::time_point now() override { return {}; }
};

bool hasBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    cpuchat::MemoryFileSystem files;
    for (const char* name : {"Base\\Words.Dat", "Base\\W1.Dat", "Base\\W2.Dat", "Base\\X.Dat", "Base\\Povtor.Dat",
                             "Base\\BigString.Dat", "Base\\AI.dat", "Base\\Pause.Dat", "Base\\Collection.Dat",
                             "Base\\Log.Lormak", "Txt.Dat"}) {
        if (in.ConsumeIntegralInRange(0, 15) != 0) files.put(name, in.ConsumeRandomLengthString(400));
    }
    FuzzRandom random(in);
    FixedClock clock;
    cpuchat::Engine engine(files, random, clock);
    for (int turn = 0; turn < 4 && in.remaining_bytes() > 0; ++turn) {
        std::string phrase = in.ConsumeRandomLengthString(300).substr(0, 255);
        std::string before = files.has("Base\\Words.Dat") ? files.at("Base\\Words.Dat") : std::string();
        const cpuchat::Mode mode = in.ConsumeBool() ? cpuchat::Mode::CpuCpu : cpuchat::Mode::CpuUser;
        if (mode == cpuchat::Mode::CpuCpu) {
            try {
                engine.loadSource("D:\\Txt.Dat");
            } catch (const cpuchat::FileError&) {
            }
        }
        engine.say(mode, phrase, "D:\\Txt.Dat");
        if (in.ConsumeBool()) engine.afterthoughtTick();
        if (in.ConsumeBool()) {
            try {
                engine.idleTick();
            } catch (const cpuchat::FileError&) {
            }
        }
        if (!files.has("Base\\Words.Dat") || files.at("Base\\Words.Dat") == before) continue;
        // Learning wrote the knowledge base: the phrase it stored is one clean line.
        const std::string& learned = engine.phrase();
        if (learned.find_first_of("^;") != std::string::npos || hasBreak(learned)) std::abort();
        const cpuchat::LineList kb = cpuchat::readLines(files.at("Base\\Words.Dat"));
        const std::string_view last = kb.back();
        const bool newKey = last == cpuchat::toUpper(learned) + "^";
        const bool newAnswer = last.ends_with(learned + ";");
        if (!newKey && !newAnswer) std::abort();
    }
    return 0;
}
