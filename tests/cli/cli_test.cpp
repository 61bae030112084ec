#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "LineCodec.h"
#include "TestSupport.h"
#include "Text.h"

namespace cpuchat {
namespace {

using test::plainFile;
using test::w;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> outLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
};

class CliTest : public ::testing::Test {
protected:
    CliTest() { test::copyDefaultData(dir.path()); }

    Outcome run(const std::string& input, const std::string& args = "") { return runIn(dir, input, args); }
    Outcome runIn(const test::TempDir& wd, const std::string& input, const std::string& args) {
        io.write("in", input);
        const std::string cmd = std::string("'") + CPU_CHAT_CLI + "' --dir '" + wd.path().string() + "' " +
                                args + " <'" + (io.path() / "in").string() + "' >'" +
                                (io.path() / "out").string() + "' 2>'" + (io.path() / "err").string() + "'";
        const int raw = std::system(cmd.c_str());
        Outcome r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = io.read("out");
        r.err = io.read("err");
        return r;
    }
    std::vector<std::string> file(const std::string& relative) {
        std::vector<std::string> out;
        for (const auto& l : readLines(dir.read(relative)).toVector()) out.push_back(toUtf8(l));
        return out;
    }

    test::TempDir dir;
    test::TempDir io;
};

TEST_F(CliTest, ConversesAndLogsTheSession) {
    const Outcome r = run("привет\r\n\nкак дела\n", "--seed 7");
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = r.outLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "USER:     Привет.");
    EXPECT_TRUE(lines[1].starts_with("CPU:     "));
    const auto log = file("Base/Log.Lormak");
    ASSERT_GE(log.size(), 7u + lines.size());
    EXPECT_EQ(log[0], "");
    EXPECT_EQ(log.back(), std::string(53, '='));
    EXPECT_TRUE(std::equal(lines.begin(), lines.end(), log.end() - 1 - static_cast<long>(lines.size())));
}

TEST_F(CliTest, ASeedMakesARunRepeatable) {
    test::TempDir other;
    test::copyDefaultData(other.path());
    const std::string talk = "привет\nкак дела\nчто ты любишь\nрасскажи анекдот\nпогода\n";
    const Outcome first = run(talk, "--seed 42");
    const Outcome second = runIn(other, talk, "--seed 42");
    EXPECT_EQ(first.out, second.out);
}

TEST_F(CliTest, CutsPhrasesAtTheInputLinesLength) {
    const Outcome r = run(std::string(300, 'x') + "\n", "--seed 1");
    ASSERT_FALSE(r.outLines().empty());
    EXPECT_EQ(r.outLines()[0], "USER:     " + std::string(255, 'x') + ".");
}

TEST_F(CliTest, AFailureIsReportedAndTheNextPhraseGoesOn) {
    std::filesystem::remove(dir.path() / "Base" / "X.Dat");
    const Outcome r = run("ты гад!\nпривет\n", "--seed 3");
    EXPECT_EQ(r.status, 0);
    // The folder is named once, before the talk.
    EXPECT_EQ(r.err, "cpu-chat-cli: the working folder " + dir.path().string() +
                         " lacks Base\\X.Dat\nCannot open file Base\\X.Dat\n");
    const auto lines = r.outLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "USER:     Ты гад!");
    EXPECT_EQ(lines[1], "USER:     Привет.");
}

TEST_F(CliTest, TheCloseMarkerEndsTheConversation) {
    dir.write("Base/Words.Dat", plainFile({"h", "ПОКА^До свидания.;@"}));
    const Outcome r = run("пока\nпривет\nещё\n", "--seed 5");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.outLines(), (std::vector<std::string>{"USER:     Пока.", "CPU:     До свидания."}));
    EXPECT_EQ(file("Base/Log.Lormak").back(), std::string(53, '='));
}

TEST_F(CliTest, AfterthoughtsArePrintedRightAfterTheReply) {
    dir.write("Base/AI.dat", plainFile({"Заголовок", "Запоздалая мысль."}));
    std::string talk;
    for (int i = 0; i < 30; ++i) talk += "слово" + std::to_string(i) + "\n";
    const Outcome r = run(talk, "--seed 11");
    int afterthoughts = 0;
    const auto lines = r.outLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "CPU:     Запоздалая мысль.") {
            ++afterthoughts;
            ASSERT_GE(i, 2u);
            EXPECT_TRUE(lines[i - 1].starts_with("CPU:     "));
            EXPECT_TRUE(lines[i - 2].starts_with("USER:     "));
        }
    }
    EXPECT_GT(afterthoughts, 0);
}

TEST_F(CliTest, StatsPrintTheCountsWithoutTouchingTheLog) {
    dir.write("Base/Words.Dat", plainFile({"h;", "x^1;", "_y^1;2;"}));
    for (const char* f : {"BigString", "Pause", "Povtor", "W1", "W2", "X"}) {
        dir.write(std::string("Base/") + f + ".Dat", plainFile({"one", "two"}));
    }
    const Outcome r = run("", "--stats");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Программе известно:   [главные фразы - 1   ветки - 1]\n"
              "Входящие выражения: [2]   Исходящие выражения: [15]   Итого: [17]\n");
    EXPECT_EQ(dir.read("Base/Log.Lormak"), "");
}

TEST_F(CliTest, CheckPrintsFindingsAsACompilerDoes) {
    const Outcome clean = run("", "--check");  // the default data has no finding
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_TRUE(clean.out.starts_with("Программе известно:")) << clean.out;
    dir.write("Base/Words.Dat", writeRtf(LineList{w("h"), w("ПРИВЕТ^Привет!;"), w("ПРИВЕТ^Дубль.;"),
                                                  w("_КЛЮЧ^Ответ"), w("КАК ДЕЛА?^")}));
    Outcome r = run("", "--check");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(
        r.out,
        "Base\\Words.Dat:3: warning: never answered: every input it matches also matches line 2, which the "
        "main scan tries first\n"
        "Base\\Words.Dat:4: error: answer not closed by \";\" (outside the format)\n"
        "Программе известно:   [главные фразы - 3   ветки - 1]   errors: 1   warnings: 1\n");
    dir.write("Base/Words.Dat", plainFile({"h", "ПРИВЕТ^Привет!;", "_КАК ДЕЛА^Хорошо.;", "КАК ДЕЛА?^"}));
    r = run("", "--check");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Программе известно:   [главные фразы - 2   ветки - 1]   errors: 0   warnings: 0\n");
    std::filesystem::remove(dir.path() / "Base" / "Words.Dat");
    r = run("", "--check");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Cannot open file Base\\Words.Dat\n");
}

TEST_F(CliTest, RefusesAPhraseThatHoldsAMarkerOfTheKnowledgeBase) {
    const Outcome r = run("_эюэщ\nэюэщ@\nда;нет\nа^б\nпривет\n", "--seed 4");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> refused;
    std::istringstream err(r.err);
    for (std::string l; std::getline(err, l);) refused.push_back(l);
    EXPECT_EQ(
        refused,
        (std::vector<std::string>{
            "cpu-chat-cli: not sent: the phrase holds \"_\", which marks the lines of the knowledge base",
            "cpu-chat-cli: not sent: the phrase holds \"@\", which marks the lines of the knowledge base",
            "cpu-chat-cli: not sent: the phrase holds \";\", which marks the lines of the knowledge base",
            "cpu-chat-cli: not sent: the phrase holds \"^\", which marks the lines of the knowledge base",
        }));
    // The talk goes on with the next phrase; nothing refused reached the files.
    const auto lines = r.outLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "USER:     Привет.");
    for (const std::string& line : file("Base/Words.Dat"))
        EXPECT_EQ(line.find("ЭЮЭЩ"), std::string::npos) << line;
}

TEST_F(CliTest, AnRtfKnowledgeBaseCutShortIsReportedAndNeverWrittenOver) {
    const std::string whole = writeRtf(LineList{w("База"), w("ПРИВЕТ^Привет!;"), w("ПОКА^Пока.;")});
    const std::string cut = whole.substr(0, whole.size() - 20);  // as a crash of an older version left it
    dir.write("Base/Words.Dat", cut);
    const std::string pool = dir.read("Base/W2.Dat"), log = dir.read("Base/Log.Lormak");
    const Outcome talk = run("привет\nсовсем новая фраза\n");
    EXPECT_NE(talk.err.find("Cannot open file Base\\Words.Dat"), std::string::npos) << talk.err;
    EXPECT_EQ(dir.read("Base/Words.Dat") + dir.read("Base/W2.Dat") + dir.read("Base/Log.Lormak"),
              cut + pool + log);
    const Outcome check = run("", "--check");
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(check.out, "Base\\Words.Dat:4: error: the RTF document is cut short at byte " +
                             std::to_string(cut.size()) + "; the program neither reads nor writes it\n");
}

TEST_F(CliTest, ExplainSaysWhyOnStandardErrorAndLeavesTheRecordAlone) {
    const auto prepare = [](const test::TempDir& d) {
        test::copyDefaultData(d.path());
        d.write("Base/Words.Dat", plainFile({"База", "ПРИВЕТ^Как дела?;", "_ХОРОШО^Что нового?;",
                                             "ЧТО НОВОГО?^", "ПОКА^Пока.;"}));
        d.write("Base/W1.Dat", plainFile({"Да."}));
        d.write("Base/W2.Dat", plainFile({"Ясно."}));
    };
    prepare(dir);
    test::TempDir plain;
    prepare(plain);
    const std::string talk = "привет\nхорошо\nотлично\n";
    const Outcome explained = run(talk, "--seed 9 --explain");
    const Outcome quiet = runIn(plain, talk, "--seed 9");
    EXPECT_EQ(explained.status, 0);
    EXPECT_EQ(explained.out, quiet.out);
    EXPECT_EQ(quiet.err, "");
    std::vector<std::string> why;
    std::istringstream err(explained.err);
    for (std::string l; std::getline(err, l);) {
        // Afterthoughts come by chance; where they come, they name a line of AI.dat.
        if (l.starts_with("why: afterthought (AI.dat line ")) continue;
        why.push_back(l);
    }
    EXPECT_EQ(why, (std::vector<std::string>{
                       "why: Words.Dat line 2",
                       "why: Words.Dat line 3 (branch)",
                       "why: unknown (W2.Dat line 1)",
                       "learned: pool W1.Dat; new key at line 5; answer added to line 6 (moved from line 4)",
                   }));
    EXPECT_EQ(file("Base/Words.Dat")[5], "ЧТО НОВОГО?^Отлично.;");
}

TEST_F(CliTest, ExportAndImportGiveBackTheSameBytes) {
    struct Row {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"Words.Dat", writeRtf(LineList{w("Заголовок"), w("ПРИВЕТ^Привет!;"), "{}\\ \x98\t\xB9"})},
        {"W1.Dat", writeRtf(LineList{w("Да."), ""})},  // an RTF list that ends in an empty line
        {"W2.Dat", plainFile({"Ясно.", "", "Хм."})},
        {"Collection.Dat", ""},
    };
    for (const Row& row : rows) {
        const std::string path = std::string("Base/") + row.name;
        dir.write(path, row.bytes);
        const Outcome exported = run("", std::string("--export ") + row.name);
        EXPECT_EQ(exported.status, 0) << row.name << exported.err;
        const Outcome imported = run(exported.out, std::string("--import ") + row.name);
        EXPECT_EQ(imported.status, 0) << row.name << imported.err;
        EXPECT_EQ(dir.read(path), row.bytes) << row.name;
    }
    EXPECT_EQ(run("", "--export W2.Dat").out, "Ясно.\n\nХм.\n");

    // New lines keep the file's form; CR LF from a Windows editor is taken as well.
    EXPECT_EQ(run("Привет\r\n№ 5\r\n", "--import W2.Dat").status, 0);
    EXPECT_EQ(dir.read("Base/W2.Dat"), plainFile({"Привет", "№ 5"}));
    EXPECT_EQ(run("\xEF\xBB\xBFПРИВЕТ^Привет!;\n", "--import Words.Dat").status, 0);
    EXPECT_EQ(dir.read("Base/Words.Dat"), writeRtf(LineList{w("ПРИВЕТ^Привет!;")}));

    // A character the code page cannot hold stops the import before anything is written.
    const Outcome refused = run("а\nб日\n", "--import W2.Dat");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "cpu-chat-cli: nothing imported: line 2, column 2: U+65E5 cannot be stored in Windows-1251\n");
    EXPECT_EQ(run("ok\n\xFF\n", "--import W2.Dat").err,
              "cpu-chat-cli: nothing imported: line 2, column 1: not UTF-8\n");
    EXPECT_EQ(dir.read("Base/W2.Dat"), plainFile({"Привет", "№ 5"}));

    for (const char* args :
         {"--export ../Words.Dat", "--import Base/W1.Dat", "--export D:W1.Dat", "--import Nope.Dat"}) {
        const Outcome r = run("x\n", args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Base" / "Nope.Dat"));
}

TEST_F(CliTest, RefusesAnImportThatWouldLoseOrChangeLines) {
    const std::string words = plainFile({"Заголовок", "ПРИВЕТ^Привет!;"});
    const std::string rtfWords = writeRtf(LineList{w("Заголовок")});
    struct Row {
        const char* name;
        std::string before;  // the file's bytes
        std::string input;
        int status;
        std::string err;
        std::string after;  // the file's bytes afterwards
    } rows[] = {
        {"Words.Dat", words, "", 1,
         "cpu-chat-cli: nothing imported: the input holds no lines, and the file would lose all of its "
         "lines\n",
         words},
        {"Collection.Dat", "", "", 0, "", ""},  // nothing to lose
        {"W2.Dat", words, "{\\rtf1 Привет}\nДа\n", 1,
         "cpu-chat-cli: nothing imported: line 1, column 1: \"{\\rtf\" at the start of a plain file makes it "
         "read "
         "back as an RTF document\n",
         words},
        {"W2.Dat", words, "\xEF\xBB\xBF{\\urtf\n", 1,
         "cpu-chat-cli: nothing imported: line 1, column 1: \"{\\urtf\" at the start of a plain file makes "
         "it read "
         "back as an RTF document\n",
         words},
        {"W2.Dat", words, "Да\n{\\rtf1}\n", 0, "", plainFile({"Да", "{\\rtf1}"})},
        {"Words.Dat", rtfWords, "{\\rtf1 Привет}\n", 0, "", writeRtf(LineList{w("{\\rtf1 Привет}")})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " / " + row.input);
        dir.write(std::string("Base/") + row.name, row.before);
        const Outcome r = run(row.input, std::string("--import ") + row.name);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(dir.read(std::string("Base/") + row.name), row.after);
    }
}

TEST_F(CliTest, AnExitThatCannotWriteTheLogFails) {
    std::filesystem::remove(dir.path() / "Base" / "Log.Lormak");
    const Outcome r = run("привет\n", "--seed 2");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cpu-chat-cli: the working folder " + dir.path().string() +
                         " lacks Base\\Log.Lormak\nCannot open file Base\\Log.Lormak\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Base" / "Log.Lormak"));
}

TEST_F(CliTest, AClosedStandardOutputEndsTheTalkAndTheLogIsStillWritten) {
    io.write("in", "привет\nкак дела\n");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // the reader is gone before the first line
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open((io.path() / "in").c_str(), O_RDONLY), 0);
        ::dup2(pipeEnds[1], 1);
        ::execl(CPU_CHAT_CLI, CPU_CHAT_CLI, "--dir", dir.path().c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const auto log = file("Base/Log.Lormak");
    EXPECT_EQ(std::count(log.begin(), log.end(), "USER:     Привет."), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "USER:     Как дела."), 0)
        << "the talk ended at the first line";
}

TEST_F(CliTest, AnswersHelpAndVersionAndRejectsABadCommandLine) {
    struct Row {
        std::string args;
        int status;
        std::string out;      // the start of standard output
        std::string errLine;  // the first line of standard error
    };
    const Row rows[] = {
        {"--help", 0, "Usage: cpu-chat-cli [--dir DIR]", ""},
        {"-h", 0, "Usage: cpu-chat-cli [--dir DIR]", ""},
        {"--version", 0, "cpu-chat-cli (Cpu chat) " CPU_CHAT_VERSION "\n", ""},
        {"-v", 0, "cpu-chat-cli (Cpu chat) " CPU_CHAT_VERSION "\n", ""},
        {"--dir /nonexistent/cpu-chat", 1, "",
         "cpu-chat-cli: cannot prepare the working folder: /nonexistent/cpu-chat: no such folder"},
        {"--bogus", 2, "", "cpu-chat-cli: unknown option '--bogus'"},
        {"--seed", 2, "", "cpu-chat-cli: option '--seed' needs a value"},
        {"--seed 12x", 2, "", "cpu-chat-cli: option '--seed' needs a number, not '12x'"},
        {"--stats --dir", 2, "", "cpu-chat-cli: option '--dir' needs a value"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const Outcome r = run("", row.args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_TRUE(r.out.starts_with(row.out)) << r.out;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), row.errLine);
        if (row.status != 0) {
            EXPECT_EQ(r.out, "") << "no talk";
        }
        if (row.status == 2) {
            EXPECT_NE(r.err.find("Usage: cpu-chat-cli"), std::string::npos);
        }
    }
    EXPECT_EQ(dir.read("Base/Log.Lormak"), "");
}

}  // namespace
}  // namespace cpuchat
