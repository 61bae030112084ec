#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Sound.h"
#include "TestSupport.h"
#include "UiFixture.h"

namespace cpuchat::test {
namespace {

struct WaveCase {
    const char* what;
    std::string bytes;
    bool playable;
};

TEST(WaveFile, OnlyARiffWaveFileWithFormatAndDataIsPlayable) {
    const std::string good = tinyWave();
    std::string dataFirst = good;  // swap the two chunks
    dataFirst.replace(12, 24 + 12, good.substr(36, 12) + good.substr(12, 24));
    std::string shortFormat = good;
    shortFormat[16] = 8;
    std::string listBefore = good;
    listBefore.insert(12, std::string("LIST\3\0\0\0abc\0", 12));  // odd size, padded
    listBefore[4] = static_cast<char>(listBefore[4] + 12);
    const std::vector<WaveCase> cases = {
        {"valid", good, true},
        {"a padded chunk before the format", listBefore, true},
        {"empty", "", false},
        {"text", "Hello, world! This is not a sound.", false},
        {"RIFF but not WAVE", "RIFF\4\0\0\0AVI ", false},
        {"header only", good.substr(0, 12), false},
        {"cut inside the format chunk", good.substr(0, 30), false},
        {"data before format", dataFirst, false},
        {"format chunk too short", shortFormat, false},
    };
    TempDir dir;
    for (const WaveCase& c : cases) {
        dir.write("x.wav", c.bytes);
        EXPECT_EQ(waveFileProblem(dir.path() / "x.wav").isEmpty(), c.playable) << c.what;
    }
    EXPECT_FALSE(waveFileProblem(dir.path() / "missing.wav").isEmpty());
    EXPECT_FALSE(waveFileProblem(dir.path()).isEmpty()) << "a folder";
    ASSERT_EQ(::mkfifo((dir.path() / "fifo.wav").c_str(), 0600), 0);
    EXPECT_FALSE(waveFileProblem(dir.path() / "fifo.wav").isEmpty()) << "a FIFO, at once";
}

TEST(WaveSoundSystem, OpensNamesAsTheProgramSpellsThemAndReportsTheProgramsMessage) {
    TempDir dir;
    dir.write("Sound/Close.wav", tinyWave());
    DiskFileSystem disk(dir.path());
    WaveSoundSystem sound(disk, WaveSoundSystem::Output::Silent);
    EXPECT_EQ(sound.open(6, QStringLiteral("Sound\\Close.wav")), QString());
    EXPECT_EQ(sound.open(6, QStringLiteral("SOUND\\close.WAV")), QString()) << "names ignore case";
    EXPECT_EQ(sound.open(5, QStringLiteral("Sound\\CpuSound.wav")),
              QStringLiteral("Cannot open file Sound\\CpuSound.wav"));
    sound.play(6);  // silent players accept requests
    sound.play(7);  // a player that does not exist is ignored
}

}  // namespace
}  // namespace cpuchat::test
