// The main window speaking without the user (idle remarks, the Cpu\Cpu mode), its two
// animations, failures that repeat on a timer, and the input aids wired into it.

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "DialogueView.h"
#include "UiFixture.h"
#include "Unit4.h"

namespace cpuchat::test {
namespace {

const QColor kTeal(0, 128, 128);
const QString kCpuCpuLine = QStringLiteral("Сервис:   // Режим диалога Cpu\\Cpu.");
const QString kCpuUserLine = QStringLiteral("Сервис:   // Режим диалога Cpu\\User.");

class DialogueTest : public UiTest {
protected:
    /// Runs idle-remark ticks until a remark is shown; returns how many it took.
    int idleTicksUntilRemark(int limit = 200) {
        const int before = view()->lineCount();
        int ticks = 0;
        while (view()->lineCount() == before && ticks < limit) {
            ++ticks;
            call("Timer2Timer");
        }
        return ticks;
    }

    /// One tick of the input guard as the event loop gives it: none while it sleeps.
    bool guardTick() {
        if (!timer("Timer5")->isActive()) return false;
        call("Timer5Timer");
        return true;
    }

    bool menusEnabled() {
        bool all = true;
        for (const char* name : {"N1", "N5", "N11"}) {
            all = all && form()
                             .menuBar()
                             ->findChild<QMenu*>(name, Qt::FindDirectChildrenOnly)
                             ->menuAction()
                             ->isEnabled();
        }
        return all;
    }

    void expectCentred() {
        const QRect desktop = form().screen()->availableGeometry();
        EXPECT_LE(std::abs(form().frameGeometry().center().x() - desktop.center().x()), 1);
        EXPECT_LE(std::abs(form().frameGeometry().center().y() - desktop.center().y()), 1);
    }

    void switchOnCpuCpu() {
        call("Cpu31Click");
        call("Timer1Timer");
        ASSERT_TRUE(timer("Timer6")->isActive());
    }
};

// ---- Idle remarks -----------------------------------------------------------------

TEST_F(DialogueTest, AnIdleRemarkFallsDueAtTheFirstTickWhoseThresholdTheCounterReaches) {
    Appearance& look = form().appearance();
    look.general = colorRef(0, 0, 200);
    look.cpuFont = {QStringLiteral("Nimbus Roman"), 14, false, true, false, false};
    struct Row {
        const char* name;
        std::function<int(int tick)> threshold;
        int dueAt;
        bool afterSay;
    };
    const std::vector<Row> rows = {
        {"at the start, always 90", [](int) { return 90; }, 90, false},
        {"always 60", [](int) { return 60; }, 60, true},
        {"90, then 70 at the 70th", [](int t) { return t < 70 ? 90 : 70; }, 70, true},
        {"an early 60 the counter has not reached",
         [](int t) {
             if (t == 30) return 60;
             return t < 75 ? 90 : 75;
         },
         75, false},
        {"a threshold the counter has passed", [](int t) { return t < 65 ? 90 : 60; }, 65, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.afterSay) {
            random.script = {2, 1, 2};
            say(QStringLiteral("Привет"));
        }
        random.script.clear();
        for (int t = 1; t <= row.dueAt; ++t) random.script.push_back(row.threshold(t));
        random.script.push_back(0);  // the remark's line
        const int before = view()->lineCount();
        sound.played.clear();
        EXPECT_EQ(idleTicksUntilRemark(), row.dueAt);
        EXPECT_TRUE(random.script.empty());
        ASSERT_EQ(view()->lineCount(), before + 1);
        EXPECT_EQ(view()->lineText(before), QStringLiteral("Ты здесь?"));
        const QTextCharFormat format = view()->lineFormat(before);
        EXPECT_EQ(format.foreground().color(), QColor(0, 0, 200)) << "the general colour";
        if (row.afterSay) {
            // Face, size and style stay as the Cpu line before left them.
            EXPECT_EQ(format.fontFamilies().toStringList().value(0), QStringLiteral("Nimbus Roman"));
            EXPECT_EQ(format.fontPointSize(), 14);
            EXPECT_TRUE(format.fontItalic());
        }
        EXPECT_EQ(record().back(), row.afterSay || before > 0 ? "USER:     Привет." : "USER:     ");
        EXPECT_EQ(sound.played, std::vector<int>{5});
        EXPECT_EQ(form().engine().idleCounter(), 0);
        EXPECT_EQ(form().engine().reply(), w("Ты здесь?"));
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DialogueTest, TheRemarkIsAnyLineOfThePauseFileReadAnewEachTime) {
    struct Row {
        std::vector<std::string> lines;
        int drawn;
        QString remark;
    };
    const std::vector<Row> rows = {
        {{"Один"}, 0, QStringLiteral("Один")},
        {{"Один"}, 0, QStringLiteral("Один")},
        {{"А", "Б", "В"}, 0, QStringLiteral("А")},
        {{"А", "Б", "В"}, 2, QStringLiteral("В")},
        {{}, 0, QString()},
    };
    form();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.remark.toStdString());
        dir.write("Base/Pause.Dat", plainFile(row.lines));
        random.script.assign(60, 60);
        random.script.push_back(row.drawn);
        random.draws.clear();
        const int before = view()->lineCount();
        EXPECT_EQ(idleTicksUntilRemark(), 60);
        ASSERT_EQ(view()->lineCount(), before + 1);
        EXPECT_EQ(view()->lineText(before), row.remark);
        EXPECT_EQ(random.draws.back(), std::make_pair(0, static_cast<int>(row.lines.size()) - 1));
    }
}

TEST_F(DialogueTest, AMissingPauseFileIsReportedOnceUntilARemarkSucceedsOrTheModeChanges) {
    const QString missing = QStringLiteral("Cannot open file Base\\Pause.Dat");
    form();
    removeFile("Base/Pause.Dat");
    random.script.assign(59, 90);
    random.script.push_back(60);
    for (int t = 1; t < 60; ++t) call("Timer2Timer");
    EXPECT_TRUE(messages.isEmpty());
    call("Timer2Timer");
    EXPECT_EQ(messages, QStringList{missing});
    // A tick at which nothing falls due is no success of the remark.
    random.script = {90, 60, 90, 60};
    for (int t = 61; t <= 64; ++t) call("Timer2Timer");
    EXPECT_EQ(messages, QStringList{missing});
    // With the script empty every threshold is the lower bound: due at every tick.
    for (int t = 65; t <= 120; ++t) call("Timer2Timer");
    EXPECT_EQ(messages, QStringList{missing}) << "falls due at every tick, shown once";
    EXPECT_EQ(view()->lineCount(), 0);
    EXPECT_TRUE(record().empty());
    EXPECT_EQ(form().engine().idleCounter(), 120) << "the counter keeps its value";

    // A remark that succeeds makes the next failure news again.
    writeSmallInstallation(dir);
    call("Timer2Timer");
    EXPECT_EQ(view()->lineCount(), 1);
    removeFile("Base/Pause.Dat");
    for (int t = 1; t <= 80; ++t) call("Timer2Timer");
    EXPECT_EQ(messages, (QStringList{missing, missing}));

    // So does the user's change of the mode, also to the mode already in force.
    call("CpuUser1Click");
    call("Timer2Timer");
    call("Timer2Timer");
    EXPECT_EQ(messages.size(), 3);
}

// ---- The mode items -----------------------------------------------------------------

TEST_F(DialogueTest, ModeItemsShowTheirServiceLinesStatusAndCheckMarks) {
    form().appearance().cpuFont = {QStringLiteral("Nimbus Roman"), 10, true, false, false, false};
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    struct Row {
        const char* item;
        QStringList added;
        QString status;
        Mode mode;
    };
    const QString cpuCpu = QStringLiteral("Режим Cpu\\Cpu");
    const QString cpuUser = QStringLiteral("Режим Cpu\\User");
    const std::vector<Row> rows = {
        {"Cpu31", {kCpuCpuLine}, cpuCpu, Mode::CpuCpu},
        {"Cpu31", {kCpuCpuLine}, cpuCpu, Mode::CpuCpu},
        {"CpuUser1", {kCpuUserLine, QString()}, cpuUser, Mode::CpuUser},
        {"CpuUser1", {kCpuUserLine, QString()}, cpuUser, Mode::CpuUser},
        {"Cpu31", {kCpuCpuLine}, cpuCpu, Mode::CpuCpu},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        const int before = view()->lineCount();
        item(row.item)->trigger();
        ASSERT_EQ(view()->lineCount(), before + row.added.size());
        for (int i = 0; i < row.added.size(); ++i) {
            EXPECT_EQ(view()->lineText(before + i), row.added[i]);
            const QTextCharFormat format = view()->lineFormat(before + i);
            EXPECT_EQ(format.foreground().color(), kTeal);
            // Only the colour changes: the Cpu line's face, size and style stay.
            EXPECT_EQ(format.fontFamilies().toStringList().value(0), QStringLiteral("Nimbus Roman"));
            EXPECT_EQ(format.fontPointSize(), 10);
            EXPECT_EQ(format.fontWeight(), QFont::Bold);
        }
        EXPECT_EQ(form().statusText(2), row.status);
        EXPECT_EQ(form().mode(), row.mode);
        EXPECT_EQ(item("Cpu31")->isChecked(), row.mode == Mode::CpuCpu);
        EXPECT_EQ(item("CpuUser1")->isChecked(), row.mode == Mode::CpuUser);
    }
    EXPECT_EQ(record(), (std::vector<std::string>{"USER:     Привет.", "CPU:     Привет!"}))
        << "service lines unrecorded";
}

TEST_F(DialogueTest, ThePollingRunsTheCpuCpuTickExactlyWhileItsItemIsChecked) {
    QTimer* tick = timer("Timer6");
    // A precise timer, so the countdown can be read to the millisecond.
    tick->setTimerType(Qt::PreciseTimer);
    call("Cpu31Click");
    EXPECT_FALSE(tick->isActive()) << "it starts at the next polling tick";
    call("Timer1Timer");
    ASSERT_TRUE(tick->isActive());
    EXPECT_EQ(tick->interval(), 3000);
    const int left = tick->remainingTime();
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 30) {
        // Let the countdown run; this reads the clock, it does not wait for a tick.
    }
    call("Cpu31Click");  // the checked mode chosen again
    call("Timer1Timer");
    ASSERT_TRUE(tick->isActive());
    EXPECT_LE(tick->remainingTime(), left - 25) << "a running tick's countdown is not restarted";
    call("CpuUser1Click");
    EXPECT_TRUE(tick->isActive());
    call("Timer1Timer");
    EXPECT_FALSE(tick->isActive());
}

// ---- The Cpu\Cpu tick -------------------------------------------------------------------

TEST_F(DialogueTest, TheCpuCpuTickSendsTheSourceFileAndWritesTheReplyBackAsOneLine) {
    dir.write("Txt.Dat", plainFile({"Привет"}));
    switchOnCpuCpu();
    sound.played.clear();
    random.script = {2, 1, 2};
    call("Timer6Timer");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(';').toStdString();
    ASSERT_EQ(view()->lineCount(), 3);
    EXPECT_EQ(view()->lineText(1), QStringLiteral("Привет."));
    EXPECT_EQ(view()->lineText(2), QStringLiteral("Привет!"));
    EXPECT_EQ(dir.read("Txt.Dat"), w("Привет!") + "\r\n");
    EXPECT_EQ(record(), (std::vector<std::string>{"USER:     Привет.", "CPU:     Привет!"}));
    EXPECT_EQ(sound.played, (std::vector<int>{2, 5}));
    EXPECT_EQ(timer("Timer6")->interval(), 1000) << "the editor's interval from now on";

    // The next tick starts from the reply, and writes its own reply back.
    random.script = {2, 2, 2};
    call("Timer6Timer");
    EXPECT_EQ(form().engine().rawInput(), w("Привет!"));
    ASSERT_EQ(view()->lineCount(), 5);
    EXPECT_EQ(dir.read("Txt.Dat"), form().engine().reply() + "\r\n");

    // An empty source sends nothing and reports nothing.
    dir.write("Txt.Dat", "");
    call("Timer6Timer");
    EXPECT_EQ(view()->lineCount(), 5);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DialogueTest, TheTickReadsThePathAndIntervalOfTheEditorAtEachTick) {
    QString path = QStringLiteral("D:\\Txt.Dat");
    int interval = 1000;
    form().setEditorPathSource([&] { return path; });
    form().setEditorIntervalSource([&] { return interval; });
    dir.write("Txt.Dat", plainFile({"Привет"}));
    dir.write("Other.Dat", plainFile({"Как дела"}));
    switchOnCpuCpu();
    QTimer* tick = timer("Timer6");
    EXPECT_EQ(tick->interval(), 3000) << "the first tick comes after three seconds";
    random.script = {2, 1, 2};
    call("Timer6Timer");
    EXPECT_EQ(tick->interval(), 1000);
    interval = 60000;
    path = QStringLiteral("D:\\Other.Dat");
    EXPECT_EQ(tick->interval(), 1000) << "not at once";
    random.script = {2, 1, 2};
    call("Timer6Timer");
    EXPECT_EQ(tick->interval(), 60000) << "after the next tick";
    EXPECT_TRUE(tick->isActive());
    EXPECT_EQ(form().engine().rawInput(), w("Как дела"));
    EXPECT_EQ(dir.read("Other.Dat"), form().engine().reply() + "\r\n");
    EXPECT_EQ(dir.read("Txt.Dat"), plainFile({"Привет!"}));
    // A tick that fails leaves the interval as it was.
    interval = 5000;
    removeFile("Other.Dat");
    call("Timer6Timer");
    EXPECT_EQ(tick->interval(), 60000);
}

TEST_F(DialogueTest, AFailingCpuCpuTickIsReportedOnceUntilTheModeOrThePathChangesOrATickSucceeds) {
    QString path = QStringLiteral("D:\\Txt.Dat");
    form().setEditorPathSource([&] { return path; });
    switchOnCpuCpu();
    const QString missing = QStringLiteral("Cannot open file D:\\Txt.Dat");
    for (int i = 0; i < 5; ++i) call("Timer6Timer");
    EXPECT_EQ(messages, QStringList{missing});
    EXPECT_EQ(view()->lineCount(), 1) << "nothing sent";
    EXPECT_EQ(timer("Timer6")->interval(), 3000) << "the interval is not taken";
    call("Timer1Timer");
    EXPECT_TRUE(timer("Timer6")->isActive()) << "the mode stays on; the next tick tries again";

    // The user switches the mode back and forth: the failure is news again.
    call("CpuUser1Click");
    call("Cpu31Click");
    call("Timer6Timer");
    call("Timer6Timer");
    EXPECT_EQ(messages.size(), 2);

    // So is the failure of a new path.
    path = QStringLiteral("D:\\Other.Dat");
    call("Timer6Timer");
    call("Timer6Timer");
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages.last(), QStringLiteral("Cannot open file D:\\Other.Dat"));

    // And after a tick that succeeded.
    dir.write("Other.Dat", plainFile({"Привет"}));
    random.script = {2, 1, 2};
    call("Timer6Timer");
    EXPECT_EQ(messages.size(), 3);
    EXPECT_EQ(view()->lineText(view()->lineCount() - 1), QStringLiteral("Привет!"));
    removeFile("Other.Dat");
    call("Timer6Timer");
    call("Timer6Timer");
    EXPECT_EQ(messages.size(), 4);

    // Say's own failure repeats at every tick just the same: a source it cannot write.
    dir.write("Other.Dat", plainFile({"Привет"}));
    files.failWrites = true;
    for (int i = 0; i < 3; ++i) call("Timer6Timer");
    ASSERT_EQ(messages.size(), 5);
    EXPECT_EQ(messages.last(), QStringLiteral("Cannot create file D:\\Other.Dat"));

    // A failure that does not name the source is news again once the path changed.
    files.failWrites = false;
    removeFile("Base/Words.Dat");
    dir.write("Txt.Dat", plainFile({"Привет"}));
    const QString noBase = QStringLiteral("Cannot open file Base\\Words.Dat");
    call("Timer6Timer");
    call("Timer6Timer");
    ASSERT_EQ(messages.size(), 6);
    EXPECT_EQ(messages.last(), noBase);
    path = QStringLiteral("D:\\Txt.Dat");
    call("Timer6Timer");
    call("Timer6Timer");
    EXPECT_EQ(messages, (QStringList{missing, missing, QStringLiteral("Cannot open file D:\\Other.Dat"),
                                     QStringLiteral("Cannot open file D:\\Other.Dat"),
                                     QStringLiteral("Cannot create file D:\\Other.Dat"), noBase, noBase}));
}

// ---- The shake ---------------------------------------------------------------------------

TEST_F(DialogueTest, TheShakeJumpsNearTheScreensTopLeftCornerAndEndsCentred) {
    RecordingForm& f = form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f)) << "the shake waits for the framed window";
    for (const int jumps : {125, 250, 171}) {
        SCOPED_TRACE(jumps);
        f.moves.clear();
        sound.played.clear();
        random.draws.clear();
        random.script = {jumps};
        std::vector<QPoint> landings;
        for (int i = 0; i < jumps; ++i) {
            landings.emplace_back(95 + i * 7 % 11, 95 + i * 3 % 11);  // left, top
            random.script.push_back(landings.back().x());
            random.script.push_back(landings.back().y());
        }
        const std::size_t seeds = random.seeds.size();
        const int startLeft = f.pos().x();
        timer("Timer7")->start();
        call("Timer7Timer");

        EXPECT_EQ(sound.played, std::vector<int>{4});
        EXPECT_EQ(random.seeds.size(), seeds + 1) << "reseeded from the clock";
        ASSERT_EQ(random.draws.size(), 1u + 2u * jumps);
        EXPECT_EQ(random.draws[0], std::make_pair(125, 250));
        for (std::size_t i = 1; i < random.draws.size(); ++i)
            EXPECT_EQ(random.draws[i], std::make_pair(95, 105));
        ASSERT_EQ(f.moves.size(), 2u * jumps + 1u) << "top, then left, per jump; then the centre";
        for (int i = 0; i < jumps; ++i) {
            const RecordingForm::Move& top = f.moves[2 * i];
            const RecordingForm::Move& left = f.moves[2 * i + 1];
            EXPECT_EQ(top.to, QPoint(i == 0 ? startLeft : landings[i - 1].x(), landings[i].y())) << i;
            EXPECT_EQ(left.to, landings[i]) << i;
            EXPECT_TRUE(top.inputReadOnly && left.inputReadOnly);
            EXPECT_FALSE(top.menusEnabled || left.menusEnabled);
        }
        expectCentred();
        EXPECT_EQ(f.frameGeometry().topLeft(), f.moves.back().to);
        EXPECT_FALSE(edit1()->isReadOnly());
        EXPECT_TRUE(menusEnabled());
        EXPECT_FALSE(timer("Timer7")->isActive());
    }
}

// ---- The closing animation ---------------------------------------------------------------

TEST_F(DialogueTest, TheClosingAnimationDriftsShrinksSoundsAndExitsAtTheEightiethTick) {
    RecordingForm& f = form();
    f.show();
    QSignalSpy closed(&f, &TForm1::closed);
    random.script = {2, 1, 2};
    say(QStringLiteral("Пока"));
    QTimer* closing = timer("Timer4");
    ASSERT_TRUE(closing->isActive());
    EXPECT_EQ(closing->interval(), 15);
    const QPoint start = f.pos();
    const QSize size = f.size();
    sound.played.clear();
    for (int tick = 1; tick < 80; ++tick) {
        call("Timer4Timer");
        EXPECT_EQ(f.pos(), start - tick * QPoint(3, 2)) << tick;
        EXPECT_EQ(f.size(), (size - tick * QSize(10, 8)).expandedTo(QSize(1, 1))) << tick;
    }
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(sound.played, std::vector<int>(70, 6)) << "from the tenth tick on";
    const std::string logBefore = dir.read("Base/Log.Lormak");
    call("Timer4Timer");
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(closing->isActive());
    EXPECT_NE(dir.read("Base/Log.Lormak"), logBefore);
    const std::vector<std::string> log = logLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "USER:     Пока.");
    EXPECT_EQ(log[log.size() - 2], "CPU:     До свидания.");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DialogueTest, AFailedExitEndsTheClosingAnimationOnceAndGivesTheWindowBack) {
    RecordingForm& f = form();
    f.show();
    QSignalSpy closed(&f, &TForm1::closed);
    const QSize size = f.size();
    random.script = {2, 1, 2};
    say(QStringLiteral("Пока"));
    removeFile("Base/Log.Lormak");
    QTimer* closing = timer("Timer4");
    for (int tick = 1; tick <= 80; ++tick) call("Timer4Timer");
    const QString failure = QStringLiteral("Cannot open file Base\\Log.Lormak");
    EXPECT_EQ(messages, QStringList{failure});
    EXPECT_FALSE(closing->isActive()) << "the exit is not retried";
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.size(), size) << "its size given back";
    expectCentred();

    // The window goes on working.
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    EXPECT_EQ(view()->lineText(view()->lineCount() - 1), QStringLiteral("Привет!"));

    // The count stays past 80: a later closing tries the exit at its first tick; the
    // same failure, repeated, is not shown again until the user changes the mode.
    closing->start();
    call("Timer4Timer");
    EXPECT_FALSE(closing->isActive());
    EXPECT_EQ(messages.size(), 1);
    call("Cpu31Click");
    closing->start();
    call("Timer4Timer");
    EXPECT_EQ(messages, (QStringList{failure, failure}));
    EXPECT_EQ(f.size(), size);
}

// ---- Layout conversion ------------------------------------------------------------------

TEST_F(DialogueTest, LayoutConversionPlaysItsSoundAndTheKeySoundOnlyOnAChange) {
    struct Row {
        QString before;
        QString after;
        std::vector<int> sounds;
    };
    const std::vector<Row> rows = {
        {QStringLiteral("ghbdtn"), QStringLiteral("привет"), {3, 1}},
        {QStringLiteral("|$^@#&<>"), QStringLiteral("/;:\"№?бю"), {3, 1}},
        {QStringLiteral("привет, 123."), QStringLiteral("привет, 123."), {3}},
        {QString(), QString(), {3}},
    };
    for (const char* handler : {"SpeedButton3Click", "N36Click"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(handler) + " " + row.before.toStdString());
            edit1()->setText(row.before);
            sound.played.clear();
            call(handler);
            EXPECT_EQ(edit1()->text(), row.after);
            EXPECT_EQ(sound.played, row.sounds);
        }
    }
}

TEST_F(DialogueTest, CtrlSConvertsAlsoWhileTheLayoutButtonIsDisabled) {
    form().show();
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    call("Timer1Timer");
    ASSERT_FALSE(button("SpeedButton3")->isEnabled());
    sound.played.clear();
    QTest::keyClick(edit1(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(sound.played, std::vector<int>{3}) << "an empty line: only the sound";
    EXPECT_EQ(edit1()->text(), QString());

    // The shortcut acts through its menu item, not through the button.
    edit1()->setText(QStringLiteral("ghbdtn"));
    button("SpeedButton3")->setEnabled(false);
    QTest::keyClick(edit1(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(edit1()->text(), QStringLiteral("привет"));

    // The button itself, once the polling has enabled it.
    edit1()->setText(QStringLiteral("ghbdtn"));
    call("Timer1Timer");
    QTest::mouseClick(button("SpeedButton3"), Qt::LeftButton);
    EXPECT_EQ(edit1()->text(), QStringLiteral("привет"));
}

// ---- Input guard -------------------------------------------------------------------------

TEST_F(DialogueTest, AForbiddenCharacterClearsTheLineAndDisablesTheViewForTheRestOfTheRun) {
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    const QPalette before = view()->palette();
    for (const QString& forbidden :
         {QStringLiteral("^"), QStringLiteral("_"), QStringLiteral(";"), QStringLiteral("@")}) {
        SCOPED_TRACE(forbidden.toStdString());
        edit1()->setText(QStringLiteral("аб") + forbidden + QStringLiteral("в"));
        sound.played.clear();
        int ticks = 0;
        while (!edit1()->text().isEmpty() && guardTick()) ++ticks;
        EXPECT_EQ(edit1()->text(), QString());
        EXPECT_LE(ticks, 5);
        EXPECT_EQ(sound.played, std::vector<int>{1}) << "the key sound of the cleared line";
        EXPECT_FALSE(view()->isEnabled());
        EXPECT_TRUE(edit1()->isEnabled());
    }
    // Disabled, the view keeps its colours: nothing turns grey.
    for (const QPalette::ColorRole role :
         {QPalette::Base, QPalette::Text, QPalette::Window, QPalette::WindowText}) {
        EXPECT_EQ(view()->palette().color(QPalette::Disabled, role), before.color(QPalette::Active, role))
            << role;
    }
    QPalette red = view()->palette();
    red.setColor(QPalette::Active, QPalette::Base, Qt::red);
    view()->setPalette(red);
    EXPECT_EQ(view()->palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::red))
        << "also after a change";

    // Nothing enables it again, and lines are still appended.
    call("N2Click");
    call("CpuUser1Click");
    EXPECT_FALSE(view()->isEnabled());
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    EXPECT_EQ(view()->lineCount(), 4);
}

TEST_F(DialogueTest, TheGuardFindsAForbiddenCharacterWithinNPlusOneTicksOfTheLastChange) {
    form();
    int cases = 0;
    // Leave the scan anywhere (after a clean line of `before` characters and `ran`
    // ticks, after the last hit), then change the line: the guard never sleeps before
    // it has found the character, and needs at most n + 1 ticks.
    for (int before = 0; before <= 7; ++before) {
        for (int ran = 0; ran <= before + 1; ++ran) {
            for (int n = 1; n <= 6; ++n) {
                for (int at = 0; at < n; ++at) {
                    edit1()->setText(QString(before, u'а'));
                    for (int t = 0; t < ran; ++t) guardTick();
                    QString line(n, u'б');
                    line[at] = u'@';
                    edit1()->setText(line);
                    int ticks = 0;
                    while (!edit1()->text().isEmpty()) {
                        ASSERT_TRUE(guardTick())
                            << "slept before the hit: " << before << ' ' << ran << ' ' << n << ' ' << at;
                        ASSERT_LE(++ticks, n + 1) << before << ' ' << ran << ' ' << n << ' ' << at;
                    }
                    ++cases;
                }
            }
        }
    }
    EXPECT_EQ(cases, 924);
}

TEST_F(DialogueTest, TheGuardSleepsWhenNoTickCanChangeAnythingAndWakesOnAChange) {
    QTimer* guard = timer("Timer5");
    EXPECT_TRUE(guard->isActive()) << "running at start";
    call("Timer5Timer");
    EXPECT_FALSE(guard->isActive()) << "an empty line";

    struct Step {
        QString text;
        int ticksToSleep;  // from the change until the guard sleeps
    };
    // The scan goes on from where it stopped: 0, 2 after "абвг", 0 after "абвгд" ...
    const std::vector<Step> steps = {
        {QStringLiteral("абв"), 3},      // examines 1, 2, 3
        {QStringLiteral("абвгдеж"), 7},  // 1 .. 7
        {QStringLiteral("абвгд"), 5},    // 1 .. 5
        {QStringLiteral("аб"), 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text.toStdString());
        edit1()->setText(step.text);
        EXPECT_TRUE(guard->isActive()) << "woken by the change";
        int ticks = 0;
        while (guardTick()) ++ticks;
        EXPECT_EQ(ticks, step.ticksToSleep);
    }
    // A change in the middle of a pass counts afresh; a line that became shorter
    // than the scan position costs one tick more.
    edit1()->setText(QStringLiteral("абвгд"));
    guardTick();
    guardTick();
    guardTick();  // position 3
    edit1()->setText(QStringLiteral("абвгдеж"));
    int ticks = 0;
    while (guardTick()) ++ticks;
    EXPECT_EQ(ticks, 7) << "4 .. 7, then 1 .. 3";
    edit1()->setText(QStringLiteral("абвгде"));
    for (int i = 0; i < 5; ++i) guardTick();  // position 5
    edit1()->setText(QStringLiteral("аб"));
    ticks = 0;
    while (guardTick()) ++ticks;
    EXPECT_EQ(ticks, 3) << "the wrap, then 1 and 2";
    // Setting the same text is no change: the guard sleeps on.
    edit1()->setText(QStringLiteral("аб"));
    EXPECT_FALSE(guard->isActive());
}

// ---- Virtual keyboard --------------------------------------------------------------------

TEST_F(DialogueTest, TheVirtualKeyboardOpensFromN22WithTheMainWindowDisabledAndPollingSuspended) {
    form().show();
    switchOnCpuCpu();
    item("N22")->trigger();
    auto* keyboard = form().findChild<TForm4*>("Form4");
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(form().createVirtualKeyboard(), keyboard) << "built once";
    EXPECT_TRUE(keyboard->isVisible());
    EXPECT_TRUE(keyboard->isEnabled());
    EXPECT_FALSE(form().isEnabled());
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_TRUE(timer("Timer6")->isActive()) << "the Cpu\\Cpu tick keeps its state";
    auto key = [&](int number) {
        return keyboard->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(number));
    };
    keyboard->findChild<QAction*>("N2")->trigger();
    EXPECT_TRUE(form().isEnabled());
    EXPECT_TRUE(timer("Timer1")->isActive());
    EXPECT_FALSE(keyboard->isVisible());

    call("CpuUser1Click");
    call("Timer1Timer");
    item("N22")->trigger();
    ASSERT_FALSE(timer("Timer6")->isActive());
    sound.played.clear();
    for (const int letter : {45, 46, 38, 31, 34, 48}) key(letter)->click();  // П Р И В Е Т
    EXPECT_EQ(edit1()->text(), QStringLiteral("привет"));
    EXPECT_EQ(sound.played, std::vector<int>(6, 1));
    // "[Enter]" sends as "Сказать" does, though the polling stopped before enabling it.
    EXPECT_FALSE(button("SpeedButton1")->isEnabled());
    random.script = {2, 1, 2};
    key(66)->click();
    ASSERT_EQ(view()->lineCount(), 5);  // three service lines before
    EXPECT_EQ(view()->lineText(4), QStringLiteral("Привет!"));
    EXPECT_EQ(edit1()->text(), QString());
    EXPECT_TRUE(keyboard->isVisible());

    // The guard goes on behind the disabled main window.
    key(3)->click();  // "@"
    int ticks = 0;
    while (!edit1()->text().isEmpty() && guardTick()) ++ticks;
    EXPECT_EQ(edit1()->text(), QString());
    EXPECT_LE(ticks, 2);
    EXPECT_FALSE(view()->isEnabled());
    keyboard->findChild<QAction*>("N2")->trigger();
    EXPECT_TRUE(form().isEnabled());
}

}  // namespace
}  // namespace cpuchat::test
