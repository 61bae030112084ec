#include <gtest/gtest.h>

#include <clocale>

#include "Engine.h"
#include "FileSystem.h"
#include "LineCodec.h"
#include "TestSupport.h"
#include "Text.h"

namespace cpuchat {
namespace {

using test::plainFile;
using test::w;

const std::vector<std::string> kExampleKb = {
    "База", "ПРИВЕТ^Привет!;Здравствуй.;", "_КАК ДЕЛА^Хорошо.;Отлично.;", "__А У ТЕБЯ^Тоже хорошо.;",
    "ПОКА^До свидания.;@", "ЧТО ТАКОЕ СЧАСТЬЕ?^"};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        dir.write("Base/Words.Dat", plainFile(kExampleKb));
        dir.write("Base/W1.Dat", plainFile({"Да.", "Нет."}));
        dir.write("Base/W2.Dat", plainFile({"Ясно.", "Понятно."}));
        dir.write("Base/X.Dat", plainFile({"Не груби."}));
        dir.write("Base/Povtor.Dat", plainFile({"Ты повторяешься."}));
        dir.write("Base/BigString.Dat", plainFile({"Слишком длинно."}));
        dir.write("Base/Pause.Dat", plainFile({"Ты здесь?"}));
        dir.write("Base/AI.dat", plainFile({"Заголовок", "Кстати."}));
        dir.write("Base/Collection.Dat", "");
        dir.write("Base/Log.Lormak", "");
        dir.write("Txt.Dat", plainFile({"Привет, как дела?"}));
    }

    // Sends a phrase typed in UTF-8. `draws` script the random source for this run;
    // unscripted draws give their lower bound (so the afterthought starts: s = 1).
    SayResult say(const std::string& utf8, std::initializer_list<int> draws = {}) {
        for (int d : draws) random.script.push_back(d);
        return engine.say(Mode::CpuUser, w(utf8));
    }
    std::vector<std::string> file(const std::string& relative) { return readLines(dir.read(relative)).toVector(); }
    std::vector<std::string> lines(std::initializer_list<const char*> utf8) {
        std::vector<std::string> out;
        for (const char* s : utf8) out.push_back(w(s));
        return out;
    }
    std::vector<std::string> kbWith(std::initializer_list<const char*> extra) {
        std::vector<std::string> out;
        for (const auto& s : kExampleKb) out.push_back(w(s));
        for (const char* s : extra) out.push_back(w(s));
        return out;
    }

    test::TempDir dir;
    DiskFileSystem files{dir.path()};
    test::ScriptedRandom random;
    test::FakeClock clock;
    Engine engine{files, random, clock};
};

TEST_F(EngineTest, NormalisesThePhraseButMatchesTheRawInput) {
    struct Row {
        const char* typed;
        const char* phrase;
    } rows[] = {{"привет", "Привет."}, {"привет,", "Привет."}, {"ну?", "Ну?"},   {"hello", "hello."},
                {"ёлка!", "Ёлка!"},    {"Так.", "Так."},       {"а, б", "А, б."}, {"ПРИВЕТ", "ПРИВЕТ."}};
    for (const Row& row : rows) {
        const SayResult r = say(row.typed, {1, 1, 2});
        EXPECT_EQ(r.userLine, w(row.phrase)) << row.typed;
        EXPECT_EQ(engine.phrase(), w(row.phrase));
        EXPECT_EQ(engine.rawInput(), w(row.typed));
        engine.newDialogue();
    }
}

TEST_F(EngineTest, WalksTheBranchesOfTheExampleKnowledgeBase) {
    SayResult r = say("привет!", {1, 2, 2});  // long-phrase draw, second answer, no afterthought
    EXPECT_EQ(r.reply, w("Здравствуй."));
    EXPECT_EQ(engine.branchDepth(), 1);
    EXPECT_EQ(engine.branchAnchor(), 1u);
    EXPECT_EQ(r.closing, std::optional<bool>(false));
    EXPECT_EQ(r.afterthought, std::optional<bool>(false));

    r = say("как дела у тебя?", {1, 2, 2});
    EXPECT_EQ(r.reply, w("Отлично."));
    EXPECT_EQ(engine.branchDepth(), 2);
    EXPECT_FALSE(r.closing.has_value());  // branch lines never touch the closing animation

    r = say("а у тебя?", {1, 1, 2});
    EXPECT_EQ(r.reply, w("Тоже хорошо."));
    EXPECT_EQ(engine.branchDepth(), 3);

    // The branch scan reaches line 4, which has no "_": depth 0 and the main scan.
    r = say("пока", {1, 1, 2});
    EXPECT_EQ(r.reply, w("До свидания."));
    EXPECT_EQ(r.closing, std::optional<bool>(true));
    EXPECT_EQ(engine.branchDepth(), 1);
    EXPECT_EQ(engine.branchAnchor(), 4u);
}

TEST_F(EngineTest, AnUnmatchedBranchFallsBackToTheMainScan) {
    say("привет", {1, 1, 2});
    const SayResult r = say("приветик", {1, 1, 2});  // line 2 does not match: main scan finds line 1
    EXPECT_EQ(r.reply, w("Привет!"));
    EXPECT_EQ(engine.branchDepth(), 1);
    EXPECT_EQ(engine.branchAnchor(), 1u);
}

TEST_F(EngineTest, TrailingBranchLinesThatDoNotMatchSearchFromTheStart) {
    dir.write("Base/Words.Dat", plainFile({"h", "ДА^Да.;", "НЕТ^Нет.;", "_ПОЧЕМУ^Потому.;"}));
    say("нет", {1, 1, 2});
    EXPECT_EQ(engine.branchAnchor(), 2u);
    const SayResult r = say("ну да", {1, 1, 2});
    EXPECT_EQ(r.reply, w("Да."));
    EXPECT_EQ(engine.branchAnchor(), 1u);
}

TEST_F(EngineTest, EmptyLinesAreSkippedByBothScans) {
    dir.write("Base/Words.Dat", plainFile({"h", "", "ДА^Да.;", "", "_ПОЧЕМУ^Потому.;"}));
    EXPECT_EQ(say("да", {1, 1, 2}).reply, w("Да."));
    EXPECT_EQ(say("почему", {1, 1, 2}).reply, w("Потому."));
}

TEST_F(EngineTest, AnswersEachAnswerWithEqualDraws) {
    dir.write("Base/Words.Dat", plainFile({"h", "ТРИ^Один.;Два.;Три.;", "ОДИН^Да.;"}));
    EXPECT_EQ(say("три", {1, 3, 2}).reply, w("Три."));
    EXPECT_EQ(random.draws[1], (std::pair<int, int>{1, 3}));
    engine.newDialogue();
    dir.write("Base/Words.Dat", plainFile({"h", "ОДИН^Да.;"}));
    say("один", {1, 1, 2});
    EXPECT_EQ(engine.reply(), w("Да."));
}

TEST_F(EngineTest, ThePhraseHeldBackByTheCloseMarkerAndBranchesKeepTheirMeaning) {
    SayResult r = say("пока", {1, 1, 2});
    EXPECT_EQ(r.closing, std::optional<bool>(true));
    r = say("привет", {1, 1, 2});
    EXPECT_EQ(r.closing, std::optional<bool>(false));
}

TEST_F(EngineTest, RepeatedPhraseGetsARemarkEvenWhenTypedDifferently) {
    say("привет", {1, 1, 2});
    SayResult r = say("Привет.", {0, 2});
    EXPECT_EQ(r.reply, w("Ты повторяешься."));
    r = say("привет", {0, 2});  // normalised to "Привет." before the comparison
    EXPECT_EQ(r.reply, w("Ты повторяешься."));
    EXPECT_EQ(engine.branchDepth(), 1);  // a repeat leaves the branch open
}

TEST_F(EngineTest, AnAfterthoughtHidesTheRepeat) {
    say("привет", {1, 1, 1});  // s = 1: the afterthought timer starts, AI.dat is loaded
    EXPECT_FALSE(engine.afterthoughtTick());
    EXPECT_EQ(engine.afterthoughtTick(), std::optional<std::string>(w("Кстати.")));
    const SayResult r = say("привет", {1, 1, 2});
    EXPECT_NE(r.reply, w("Ты повторяешься."));
}

TEST_F(EngineTest, AbusivePhraseGetsARebukeAndIsLogged) {
    const SayResult r = say("ты гад!", {0, 2});
    EXPECT_EQ(r.userLine, w("Ты гад!"));
    EXPECT_EQ(r.reply, w("Не груби."));
    EXPECT_EQ(file("Base/Collection.Dat"), lines({">>> ты гад!"}));
    EXPECT_EQ(engine.branchDepth(), 0);
    say("ты гад и всё", {0, 2});
    EXPECT_EQ(file("Base/Collection.Dat"), lines({">>> ты гад!", ">>> ты гад и всё"}));
    // Not abusive: the input ends after "гад"; "Лох" lacks its leading blank.
    EXPECT_NE(say("ты гад", {1, 0, 2}).reply, w("Не груби."));
    EXPECT_NE(say("Лох", {1, 0, 2}).reply, w("Не груби."));
    EXPECT_EQ(file("Base/Collection.Dat").size(), 2u);
}

TEST_F(EngineTest, HumanTopicPhraseRepeatsTheLastCpuLineAndLearnsNothing) {
    say("привет", {1, 1, 2});
    const auto kbBefore = dir.read("Base/Words.Dat");
    const SayResult r = say("меня зовут Иван", {1, 2});
    EXPECT_TRUE(engine.humanTopic());
    EXPECT_EQ(r.reply, w("Привет!"));
    EXPECT_EQ(dir.read("Base/Words.Dat"), kbBefore);
    say("имя", {1, 0, 2});
    EXPECT_FALSE(engine.humanTopic());
    say("как твоё имя?", {1, 2});  // no pool draw: the last line is said again
    EXPECT_TRUE(engine.humanTopic());
}

TEST_F(EngineTest, LongPhrasesUsuallyGetTheirOwnRemark) {
    const std::string longPhrase(120, 'x');
    for (int r : {1, 3, 4, 5}) {
        EXPECT_EQ(say(longPhrase + std::to_string(r), {r, 0, 2}).reply, w("Слишком длинно.")) << r;
    }
    for (int r : {2, 6}) {
        EXPECT_NE(say(longPhrase + std::to_string(r), {r, 0, 2}).reply, w("Слишком длинно.")) << r;
    }
    // Exactly 110 characters (after normalisation) goes on to the search.
    EXPECT_NE(say(std::string(109, 'y'), {1, 0, 2}).reply, w("Слишком длинно."));
    EXPECT_EQ(engine.phrase().size(), 110u);
    EXPECT_EQ(say(std::string(110, 'z'), {1, 0, 2}).reply, w("Слишком длинно."));
}

TEST_F(EngineTest, FirstUnknownPhraseIsAnsweredFromAPoolAndLearnsNothing) {
    const auto before = dir.read("Base/Words.Dat");
    const SayResult r = say("что такое счастье", {1, 1, 2});
    EXPECT_EQ(r.reply, w("Понятно."));  // W2: not a question
    EXPECT_EQ(dir.read("Base/Words.Dat"), before);
    EXPECT_EQ(file("Base/W2.Dat"), lines({"Ясно.", "Понятно."}));
    EXPECT_EQ(say("а ты кто?", {1, 0, 2}).reply, w("Да."));  // W1: a question
}

TEST_F(EngineTest, LearnsWhatAPersonAnsweredToItsQuestion) {
    dir.write("Base/Words.Dat", plainFile({"h", "КАК ТЕБЯ ЗОВУТ?^", "_ВЕТКА^Ответ.;", "ПРИВЕТ^Как тебя зовут?;"}));
    EXPECT_EQ(say("привет", {1, 1, 2}).reply, w("Как тебя зовут?"));
    const SayResult r = say("Вася", {1, 0, 2});
    EXPECT_EQ(r.reply, w("Ясно."));  // from W2: the phrase is no question
    EXPECT_EQ(file("Base/W1.Dat"), lines({"Да.", "Нет.", "Вася."}));
    EXPECT_EQ(file("Base/Words.Dat"),
              lines({"h", "_ВЕТКА^Ответ.;", "ПРИВЕТ^Как тебя зовут?;", "ВАСЯ.^", "КАК ТЕБЯ ЗОВУТ?^Вася.;"}));
    EXPECT_TRUE(dir.read("Base/Words.Dat").starts_with("{\\rtf1"));
    EXPECT_EQ(engine.branchDepth(), 0);  // the branch scan ran past the end, learning left it so
}

TEST_F(EngineTest, AKnownPhraseIsNotAddedAgainButStillJoinsThePool) {
    dir.write("Base/Words.Dat", plainFile({"h", "КАК ТЕБЯ ЗОВУТ?^", "ВАСЯ.^", "ПРИВЕТ^Как тебя зовут?;"}));
    say("привет", {1, 1, 2});
    say("Вася", {1, 0, 2});
    EXPECT_EQ(file("Base/W1.Dat"), lines({"Да.", "Нет.", "Вася."}));
    EXPECT_EQ(file("Base/Words.Dat"), lines({"h", "КАК ТЕБЯ ЗОВУТ?^", "ВАСЯ.^", "ПРИВЕТ^Как тебя зовут?;"}));
}

TEST_F(EngineTest, APhraseTypedWithAFinalCommaIsRecognisedAsKnown) {
    say("привет", {1, 1, 2});
    say("кто ты,", {1, 0, 2});
    say("кто ты,", {0, 2});  // a repeat of "Кто ты." is answered from Povtor
    say("привет", {1, 1, 2});
    say("кто ты,", {1, 0, 2});
    const auto kb = file("Base/Words.Dat");
    EXPECT_EQ(std::count(kb.begin(), kb.end(), w("КТО ТЫ.^")), 1);
}

TEST_F(EngineTest, APhraseHoldingFormatMarkersIsNeverWrittenIntoTheKnowledgeBase) {
    dir.write("Base/Words.Dat", plainFile({"h", "КАК ТЕБЯ ЗОВУТ?^", "ПРИВЕТ^Как тебя зовут?;"}));
    say("привет", {1, 1, 2});
    say("Ва^ся; и_всё", {1, 0, 2});
    EXPECT_EQ(file("Base/Words.Dat"), lines({"h", "КАК ТЕБЯ ЗОВУТ?^", "ПРИВЕТ^Как тебя зовут?;"}));
    EXPECT_EQ(file("Base/W1.Dat").back(), w("Ва^ся; и_всё."));
}

TEST_F(EngineTest, AnAnswerAfterTheCloseMarkerDisarmsIt) {
    dir.write("Base/Words.Dat", plainFile({"h", "ПОКА?^Пока?;@"}));
    EXPECT_EQ(say("пока?", {1, 1, 2}).closing, std::optional<bool>(true));
    say("ну ладно", {1, 0, 2});
    EXPECT_EQ(file("Base/Words.Dat").back(), w("ПОКА?^Пока?;@Ну ладно.;"));
    engine.newDialogue();
    EXPECT_EQ(say("пока?", {1, 1, 2}).closing, std::optional<bool>(false));
}

TEST_F(EngineTest, AFailureEndsTheRunAndKeepsWhatWasDone) {
    std::filesystem::remove(dir.path() / "Base" / "X.Dat");
    const SayResult r = say("ты гад!", {});
    EXPECT_TRUE(r.ran);
    EXPECT_EQ(r.userLine, w("Ты гад!"));
    EXPECT_FALSE(r.replyShown);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.failure, std::optional<std::string>("Cannot open file Base\\X.Dat"));
    ASSERT_EQ(engine.view().size(), 1u);
    EXPECT_EQ(engine.record().toVector(), lines({"USER:     Ты гад!"}));
    EXPECT_EQ(file("Base/Collection.Dat").size(), 0u);
    EXPECT_EQ(engine.previousReply(), "");
}

// Fails every read of one file after a number of successful ones.
class FailingReads : public FileSystem {
public:
    FailingReads(FileSystem& inner, std::string name, int okReads) : inner_(inner), name_(name), left_(okReads) {}
    std::string read(std::string_view name) override {
        check(name);
        return inner_.read(name);
    }
    std::optional<std::string> readIfChanged(std::string_view name, std::string_view known) override {
        check(name);
        return inner_.readIfChanged(name, known);
    }
    void replace(std::string_view name, std::string_view bytes) override { inner_.replace(name, bytes); }

private:
    void check(std::string_view name) {
        if (name == name_ && left_-- <= 0) throwCannotOpen(name);
    }
    FileSystem& inner_;
    std::string name_;
    int left_;
};

TEST_F(EngineTest, APoolLearnedBeforeTheKnowledgeBaseFailedStaysLearned) {
    dir.write("Base/Words.Dat", plainFile({"h", "ПРИВЕТ^Как дела?;"}));
    FailingReads failing(files, "Base\\Words.Dat", 3);  // the searches (a branch scan falls back) succeed
    Engine e(failing, random, clock);
    random.script = {1, 1, 2};
    e.say(Mode::CpuUser, w("привет"));
    random.script = {1, 0, 2};
    const SayResult r = e.say(Mode::CpuUser, w("хорошо"));
    EXPECT_EQ(r.failure, std::optional<std::string>("Cannot open file Base\\Words.Dat"));
    EXPECT_EQ(file("Base/W1.Dat").back(), w("Хорошо."));
    EXPECT_EQ(e.record().back(), w("USER:     Хорошо."));
}

TEST_F(EngineTest, RecordsUserAndCpuLinesInTheOrderOfTheView) {
    say("привет", {1, 1, 1});
    engine.afterthoughtTick();
    engine.afterthoughtTick();
    EXPECT_EQ(engine.record().toVector(), lines({"USER:     Привет.", "CPU:     Привет!", "CPU:     Кстати."}));
    ASSERT_EQ(engine.view().size(), 3u);
    EXPECT_EQ(engine.view()[0], (ViewLine{LineKind::User, w("Привет.")}));
    EXPECT_EQ(engine.view()[2], (ViewLine{LineKind::Cpu, w("Кстати.")}));
    EXPECT_EQ(engine.idleCounter(), 0);
}

TEST_F(EngineTest, AfterthoughtComesOnTheSecondTickAndFromWhateverTheScratchListHolds) {
    dir.write("Base/AI.dat", plainFile({"Заголовок"}));
    say("привет", {1, 1, 1});
    EXPECT_FALSE(engine.afterthoughtTick());
    EXPECT_EQ(engine.afterthoughtCounter(), 500);
    EXPECT_EQ(engine.afterthoughtTick(), std::optional<std::string>(""));  // one-line file: empty line
    EXPECT_EQ(engine.afterthoughtCounter(), 0);
    // A run that stops the timer after one tick leaves 500: the next one comes after one tick.
    say("пока", {1, 1, 1});
    engine.afterthoughtTick();
    say("привет", {1, 1, 1});
    EXPECT_TRUE(engine.afterthoughtTick());
}

TEST_F(EngineTest, ExplainsWhereEachCpuLineCameFrom) {
    dir.write("Base/Words.Dat",
              plainFile({"База", "ПРИВЕТ^Как дела?;", "_ХОРОШО^Рад.;", "КАК ДЕЛА?^", "ПОКА^Пока.;"}));
    dir.write("Base/Povtor.Dat", plainFile({"Как дела?"}));
    dir.write("Base/AI.dat", plainFile({"Заголовок", "Кстати.", "Между прочим."}));
    using S = Reason::Source;
    struct Row {
        std::string typed;
        std::initializer_list<int> draws;
        Reason why;
        Learning learned;
    } rows[] = {
        {"привет", {1, 1, 2}, {S::KnowledgeBase, 1}, {}},
        {"хорошо", {1, 1, 2}, {S::Branch, 2}, {}},
        {"хорошо", {0, 2}, {S::Repeat, 0}, {}},
        // Unknown after the Cpu asked "Как дела?": the phrase joins W1, becomes a key,
        // and answers line 3, which moves to the end past the new key.
        {"отлично", {1, 1, 2}, {S::RemarkPool, 1}, {Learning::Pool::Answer, 4, 5, 3}},
        {"что?", {1, 0, 2}, {S::AnswerPool, 0}, {Learning::Pool::Remark, 6, std::nullopt, 0}},
        {"мама", {1, 2}, {S::HumanTopic, 0}, {}},
        {"ты гад!", {0, 2}, {S::Abuse, 0}, {}},
        {std::string(120, 'x'), {1, 0, 2}, {S::LongPhrase, 0}, {}},
    };
    for (const Row& row : rows) {
        const SayResult r = say(row.typed, row.draws);
        EXPECT_EQ(r.why, row.why) << row.typed;
        EXPECT_EQ(r.learned, row.learned) << row.typed;
    }
    EXPECT_EQ(file("Base/Words.Dat")[5], w("КАК ДЕЛА?^Отлично.;"));

    say("пока", {1, 1, 1});  // the afterthought timer starts
    Reason why;
    EXPECT_FALSE(engine.afterthoughtTick(&why));
    random.script.push_back(2);
    EXPECT_EQ(engine.afterthoughtTick(&why), std::optional<std::string>(w("Между прочим.")));
    EXPECT_EQ(why, (Reason{S::Afterthought, 2}));
}

TEST_F(EngineTest, EverySayReseedsFromTheClock) {
    say("привет");
    say("привет");
    ASSERT_EQ(random.seeds.size(), 2u);
    EXPECT_NE(random.seeds[0], random.seeds[1]);
}

TEST_F(EngineTest, IdleRemarkFallsDueAtTheDrawnThreshold) {
    say("привет", {1, 1, 2});
    for (int tick = 1; tick < 60; ++tick) {
        random.script.push_back(60);
        ASSERT_FALSE(engine.idleTick()) << tick;
    }
    random.script.push_back(60);
    EXPECT_EQ(engine.idleTick(), std::optional<std::string>(w("Ты здесь?")));
    EXPECT_EQ(engine.idleCounter(), 0);
    EXPECT_EQ(engine.reply(), w("Ты здесь?"));
    EXPECT_EQ(engine.record().back(), w("USER:     Привет."));
    EXPECT_EQ(engine.view().back(), (ViewLine{LineKind::Remark, w("Ты здесь?")}));
    EXPECT_EQ(random.draws[random.draws.size() - 2], (std::pair<int, int>{60, 90}));
}

TEST_F(EngineTest, FailedIdleRemarkKeepsTheCounter) {
    std::filesystem::remove(dir.path() / "Base" / "Pause.Dat");
    for (int tick = 1; tick < 90; ++tick) {
        random.script.push_back(90);
        engine.idleTick();
    }
    random.script.push_back(90);
    EXPECT_THROW(engine.idleTick(), FileError);
    EXPECT_EQ(engine.idleCounter(), 90);
    EXPECT_TRUE(engine.view().empty());
    EXPECT_EQ(engine.record().size(), 0u);
}

TEST_F(EngineTest, SelfDialogueSpeaksFromTheSourceFileAndWritesTheReplyBack) {
    dir.write("Txt.Dat", plainFile({"привет,", "как дела?", "", ""}));
    engine.loadSource("D:\\Txt.Dat");
    random.script = {1, 1, 2};
    const SayResult r = engine.say(Mode::CpuCpu, "ignored", "D:\\Txt.Dat");
    EXPECT_EQ(r.userLine, w("Привет, как дела?"));
    EXPECT_EQ(r.sourceLine, std::optional<std::string>(r.reply));
    EXPECT_EQ(dir.read("Txt.Dat"), r.reply + "\r\n");
    EXPECT_TRUE(r.completed);
}

TEST_F(EngineTest, TextWithLineBreaksBecomesOneLineBeforeItIsLearned) {
    say("привет", {1, 1, 2});
    say("раз\r\nдва\nтри\r\n", {1, 0, 2});
    EXPECT_EQ(engine.phrase(), w("Раз два три."));
    EXPECT_EQ(file("Base/W2.Dat").back(), w("Раз два три."));
    EXPECT_EQ(file("Base/Words.Dat").back(), w("РАЗ ДВА ТРИ.^"));
}

TEST_F(EngineTest, EmptySelfDialogueSourceSendsNothing) {
    for (const std::string content : {"", "\r\n", "  \r\n\t\r\n"}) {
        dir.write("Txt.Dat", content);
        engine.loadSource("D:\\Txt.Dat");
        const SayResult r = engine.say(Mode::CpuCpu, "", "D:\\Txt.Dat");
        EXPECT_FALSE(r.ran);
        EXPECT_TRUE(engine.view().empty());
    }
    EXPECT_THROW(engine.loadSource("D:\\Missing.Dat"), FileError);
}

TEST_F(EngineTest, SelfDialogueNeverReplacesTheAbuseWords) {
    dir.write("Txt.Dat", plainFile({"здравствуй", "ПРИВЕТ"}));
    engine.loadSource("D:\\Txt.Dat");
    random.script = {1, 1, 2};
    const SayResult r = engine.say(Mode::CpuCpu, "", "D:\\Txt.Dat");
    EXPECT_NE(r.reply, w("Не груби."));
    EXPECT_EQ(say("ты гад!", {0, 2}).reply, w("Не груби."));
}

TEST_F(EngineTest, ModeSwitchesShowServiceLines) {
    engine.switchToCpuUser();
    engine.switchToCpuCpu();
    const std::vector<ViewLine> expected = {{LineKind::Service, w("Сервис:   // Режим диалога Cpu\\User.")},
                                            {LineKind::Empty, ""},
                                            {LineKind::Service, w("Сервис:   // Режим диалога Cpu\\Cpu.")}};
    EXPECT_EQ(engine.view(), expected);
    EXPECT_EQ(engine.record().size(), 0u);
}

TEST_F(EngineTest, UndoAndNewDialogueWorkOnViewAndRecordApart) {
    say("привет", {1, 1, 2});
    engine.switchToCpuUser();
    engine.undo();  // removes the empty line from the view, the Cpu line from the record
    EXPECT_EQ(engine.view().back().kind, LineKind::Service);
    EXPECT_EQ(engine.record().toVector(), lines({"USER:     Привет."}));
    engine.newDialogue();
    EXPECT_TRUE(engine.view().empty());
    EXPECT_EQ(engine.record().size(), 0u);
    engine.undo();  // nothing left: stays empty
    EXPECT_EQ(engine.record().size(), 0u);
    EXPECT_EQ(engine.phrase(), w("Привет."));  // the phrase last sent survives
}

TEST_F(EngineTest, ExitAppendsTheLogBlock) {
    std::setlocale(LC_ALL, "C");
    say("привет", {1, 1, 2});
    engine.exitLog();
    const auto log = file("Base/Log.Lormak");
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[0], "");
    EXPECT_EQ(log[1], std::string(80, '-'));
    EXPECT_EQ(log[2], std::string(22, ' ') + std::string(30, '_'));
    EXPECT_TRUE(log[3].starts_with(std::string(22, ' ') + w("Дата - "))) << log[3];
    EXPECT_NE(log[3].find(w("   |   Время - ")), std::string::npos);
    EXPECT_EQ(log[4], std::string(22, ' ') + std::string(30, '~'));
    EXPECT_EQ(log[5], w("//Загружено фраз выученных программой: 5"));
    EXPECT_EQ(log[6], w("USER:     Привет."));
    EXPECT_EQ(log[7], w("CPU:     Привет!"));
    EXPECT_EQ(log[8], std::string(53, '='));
    // A second exit appends a block with rows 1 to 6 and the closing row.
    engine.newDialogue();
    engine.exitLog();
    EXPECT_EQ(file("Base/Log.Lormak").size(), 16u);
}

TEST_F(EngineTest, ExitFailuresWriteNothing) {
    dir.write("Base/Log.Lormak", plainFile({"old"}));
    std::filesystem::remove(dir.path() / "Base" / "Words.Dat");
    try {
        engine.exitLog();
        FAIL();
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file Base\\Words.dat");
    }
    EXPECT_EQ(file("Base/Log.Lormak"), lines({"old"}));
}

TEST_F(EngineTest, StatisticsCountIncomingAndOutgoingExpressions) {
    dir.write("Base/Words.Dat", plainFile({"a;b", "x^1;", "y^1;2;", "z^1;"}));
    dir.write("Base/Words.Dat", plainFile({"h;", "x^1;", "y^1;2;"}));
    for (const char* f : {"BigString", "Pause", "Povtor", "W1", "W2", "X"}) {
        dir.write(std::string("Base/") + f + ".Dat", plainFile({"one", "two"}));
    }
    KnowledgeStats s = engine.statistics();
    EXPECT_EQ(s.incoming, 2);
    EXPECT_EQ(s.outgoing, 15);
    EXPECT_EQ(s.total, 17);
    dir.write("Base/Words.Dat", "");
    EXPECT_EQ(engine.statistics().incoming, 0);
    std::filesystem::remove(dir.path() / "Base" / "Povtor.Dat");
    EXPECT_THROW(engine.statistics(), FileError);
}

TEST_F(EngineTest, StartupCountsReadTheKnowledgeBaseInEitherForm) {
    EXPECT_EQ(engine.startupLoad(), w("Программе известно:   [главные фразы - 3   ветки - 2]"));
    LineList kb;
    for (const auto& s : kExampleKb) kb.append(w(s));
    dir.write("Base/Words.Dat", writeRtf(kb));
    EXPECT_EQ(engine.startupLoad(), w("Программе известно:   [главные фразы - 3   ветки - 2]"));
}

}  // namespace
}  // namespace cpuchat
