#include <gtest/gtest.h>

#include <random>

#include "Engine.h"
#include "FileStore.h"
#include "LineCodec.h"
#include "TestSupport.h"

namespace cpuchat {
namespace {

using test::w;

TEST(HostileFiles, RandomBytesReadWithoutHarm) {
    test::TempDir dir;
    std::mt19937 gen(7);
    std::string bytes(1 << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    dir.write("Base/Words.Dat", bytes);
    dir.write("Base/Rtf.Dat", "{\\rtf1 " + bytes);
    DiskFileSystem fs(dir.path());
    FileStore store(fs);
    EXPECT_LE(store.read("Base\\Words.Dat")->textBytes(), bytes.size());
    EXPECT_THROW(store.read("Base\\Rtf.Dat"), FileError);  // as RTF they do not end as a document does
    const PhraseCounts counts = countPhrases(*store.read("Base\\Words.Dat"));
    EXPECT_GT(counts.main + counts.branches, 0);
}

TEST(HostileFiles, AFiftyMegabyteLineIsReadWhole) {
    test::TempDir dir;
    const std::string answer(50u << 20, 'x');
    dir.write("Base/Words.Dat", "h\r\nY^" + answer + ";\r\n");
    DiskFileSystem fs(dir.path());
    FileStore store(fs);
    const Lines kb = store.read("Base\\Words.Dat");
    ASSERT_EQ(kb->size(), 2u);
    EXPECT_EQ((*kb)[1].size(), answer.size() + 3);
    // A search answers with the whole of it.
    test::ScriptedRandom random;
    test::FakeClock clock;
    Engine engine(store, random, clock);
    random.script = {1, 1, 2};
    EXPECT_EQ(engine.say(Mode::CpuUser, "y").reply.size(), answer.size());
}

TEST(HostileFiles, HostileRtfConstructsGiveAClearResult) {
    struct Row {
        const char* name;
        std::string rtf;
        std::vector<std::string> expected;
    } rows[] = {
        {"huge bin count", "{\\rtf1 a\\bin4294967296 xyz}", {"a"}},
        {"negative bin count", "{\\rtf1 a\\bin-5 b}", {"ab"}},
        {"unterminated group", "{\\rtf1 {{{a\\par b", {"a", "b"}},
        {"huge uc", "{\\rtf1\\uc99999999 \\u1044 abc}d", {w("Д")}},
        {"unicode out of range", "{\\rtf1 \\u70000 x\\u-70000 y}", {"??"}},
        {"hex escape cut by the end", "{\\rtf1 a\\'", {"a"}},
        {"hex escape with one digit", "{\\rtf1 a\\'4}", {"a4"}},
        {"backslash at the end", "{\\rtf1 a\\", {"a"}},
        {"control word with a huge number", "{\\rtf1 \\fs999999999999999999999999 a}", {"a"}},
        {"only closing braces", "{\\rtf1}}}}", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(readRtf(row.rtf).toVector(), row.expected) << row.name;
}

}  // namespace
}  // namespace cpuchat
