#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "DialogueView.h"
#include "PanelStatusBar.h"
#include "UiFixture.h"

namespace cpuchat::test {
namespace {

const QString kCaption = QStringLiteral("Разработчик: Зорвикс Лормак. v2.156");

// ---- The window as it is built ---------------------------------------------------

TEST_F(UiTest, FrameIsAFixedCentredWindowWithOnlyACloseBox) {
    TForm1& f = form();
    ASSERT_TRUE(f.started());
    EXPECT_EQ(f.windowTitle(), kCaption);
    const Qt::WindowFlags flags = f.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window) << "a normal top-level window keeps its taskbar entry";
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(f.minimumSize(), f.maximumSize()) << "fixed size";
    const QWidget* client = f.centralWidget();
    EXPECT_EQ(client->size(), QSize(587, 361));
    EXPECT_EQ(f.height(), f.menuBar()->sizeHint().height() + 361);
    EXPECT_EQ(client->palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(client->cursor().shape(), Qt::ForbiddenCursor);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));  // the frame as the window system tells it
    const QRect screen = f.screen()->availableGeometry();
    EXPECT_LE(std::abs(f.frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(f.frameGeometry().center().y() - screen.center().y()), 1);
}

struct ControlRow {
    const char* name;
    QRect geometry;
    const char* text;
    const char* hint;
    Qt::CursorShape cursor;
    bool enabled;
};

TEST_F(UiTest, EveryControlHasItsPlaceCaptionHintPointerAndState) {
    const std::vector<ControlRow> rows = {
        {"TabControl1", {0, 0, 588, 313}, nullptr, "", Qt::ArrowCursor, true},
        {"RichEdit1", {3, 6, 581, 303}, nullptr, "Поле для отображения диалога", Qt::ForbiddenCursor, true},
        {"Talk", {-200, 107, 186, 17}, "<ENTER> (Для кнопки сказать)", "", Qt::ArrowCursor, false},
        {"TabControl2", {0, 312, 585, 30}, nullptr, "", Qt::ForbiddenCursor, true},
        {"Edit1", {3, 5, 422, 21}, "", "Поле для ввода фразы пользователя", Qt::IBeamCursor, true},
        {"SpeedButton2", {426, 5, 27, 22}, "<", "Отмена (Альтернатива клавиша: <Ctrl + Z>)", Qt::PointingHandCursor,
         false},
        {"SpeedButton3", {453, 5, 43, 22}, "E/R", "Раскладка (Альтернатива клавиша: <Ctrl + S>)",
         Qt::PointingHandCursor, false},
        {"SpeedButton1", {496, 5, 86, 22}, "Сказать", "Кнопка отправки текста (Альтернативная клавиша: <ENTER>)",
         Qt::PointingHandCursor, false},
        {"StatusBar1", {0, 342, 587, 19}, nullptr, "Индикатор", Qt::WhatsThisCursor, true},
    };
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* w = form().findChild<QWidget*>(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), row.geometry);
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(row.hint));
        const QWidget* pointerOwner = qobject_cast<QAbstractScrollArea*>(w) ? static_cast<QAbstractScrollArea*>(w)->viewport() : w;
        EXPECT_EQ(pointerOwner->cursor().shape(), row.cursor);
        EXPECT_EQ(w->isEnabled(), row.enabled);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && row.text) {
            EXPECT_EQ(b->text(), QString::fromUtf8(row.text));
        }
        if (auto* e = qobject_cast<QLineEdit*>(w); e && row.text) {
            EXPECT_EQ(e->text(), QString::fromUtf8(row.text));
        }
    }
    // Upper and lower frame hold their controls; the status bar lies in the client area.
    EXPECT_EQ(view()->parentWidget()->objectName(), QStringLiteral("TabControl1"));
    EXPECT_EQ(edit1()->parentWidget()->objectName(), QStringLiteral("TabControl2"));
    EXPECT_EQ(button("SpeedButton1")->parentWidget()->objectName(), QStringLiteral("TabControl2"));
    EXPECT_EQ(edit1()->maxLength(), 255);
    EXPECT_EQ(edit1()->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(view()->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_TRUE(view()->isReadOnly());
    EXPECT_TRUE(form().findChild<QPushButton*>("Talk")->isDefault());
    for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3"}) EXPECT_TRUE(button(name)->autoRaise());
}

TEST_F(UiTest, StatusBarHasThreePanelsWithTheModeInTheLast) {
    form().show();
    auto* bar = form().findChild<PanelStatusBar*>("StatusBar1");
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->panelCount(), 3);
    const std::vector<QRect> panels = {{0, 0, 130, 19}, {130, 0, 322, 19}, {452, 0, 135, 19}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bar->panelRect(i), panels[i]) << i;
        const auto* label = bar->findChild<QWidget*>(QStringLiteral("Panel%1").arg(i + 1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), panels[i]) << i;
    }
    EXPECT_EQ(form().statusText(0), QString());
    EXPECT_EQ(form().statusText(1), QString());
    EXPECT_EQ(form().statusText(2), QStringLiteral("Режим Cpu\\User"));
}

struct MenuRow {
    const char* name;
    const char* parent;  // the menu holding the item; "" for the menu bar
    const char* caption;  // nullptr: a separator line
    bool checked;
};

TEST_F(UiTest, MenuBarHoldsEveryItemInItsPlace) {
    const std::vector<MenuRow> rows = {
        {"N1", "", "&Система", false},
        {"N2", "N1", "&Новый диалог", false},
        {"N23", "N1", nullptr, false},
        {"N22", "N1", "&Вызвать виртуальную клавиатуру", false},
        {"N17", "N1", "&Подробнее о базе:", false},
        {"N18", "N17", "&Входящие выражения:", false},
        {"N19", "N17", "&Исходящие выражения:", false},
        {"N20", "N17", "&Итого:", false},
        {"N3", "N1", nullptr, false},
        {"N4", "N1", "В&ыход", false},
        {"N5", "", "&Настройки", false},
        {"N6", "N5", "&Цвет основного фона ", false},
        {"N21", "N5", "Ц&вет фона поля вывода реплик", false},
        {"N16", "N5", "Цв&ет фона поля ввода реплик", false},
        {"N9", "N5", "Цве&т шрифтов кнопок на панели", false},
        {"N15", "N5", nullptr, false},
        {"N7", "N5", "Цвет &реплик", false},
        {"User1", "N7", "&User", false},
        {"Cpu1", "N7", "&Cpu", false},
        {"Mystring2", "N7", "&My string", false},
        {"N36", "N5", nullptr, false},
        {"N10", "N5", "&Параметры шрифта", false},
        {"User2", "N10", "&User", false},
        {"Cpu2", "N10", "&Cpu", false},
        {"Mystring1", "N10", "&My string", false},
        {"N8", "N5", nullptr, false},
        {"N13", "N5", "Вернуть первоначальные настройки", true},
        {"N14", "N5", nullptr, false},
        {"N37", "N5", "&Режим", false},
        {"CpuUser1", "N37", "&Cpu\\User", true},
        {"Cpu31", "N37", "C&pu\\Cpu", false},
        {"N38", "N5", "Ре&дактор", false},
        {"N39", "N5", nullptr, false},
        {"N40", "N5", "&Full Screen", false},
        {"N11", "", "С&правка", false},
        {"N12", "N11", "&О программе...", false},
    };
    // Walk the menus in order and compare item by item, so the places are checked too.
    std::map<QString, QList<QAction*>> holders;
    holders[QString()] = form().menuBar()->actions();
    for (QMenu* menu : form().findChildren<QMenu*>()) {
        if (!menu->objectName().isEmpty()) holders[menu->objectName()] = menu->actions();
    }
    std::map<QString, int> next;
    for (const MenuRow& row : rows) {
        SCOPED_TRACE(row.name);
        const QString parent = QString::fromUtf8(row.parent);
        const QList<QAction*>& actions = holders[parent];
        const int at = next[parent]++;
        ASSERT_LT(at, actions.size());
        QAction* a = actions[at];
        EXPECT_EQ(a->objectName(), QString::fromUtf8(row.name));
        EXPECT_EQ(a->isSeparator(), row.caption == nullptr);
        if (row.caption) {
            EXPECT_EQ(a->text(), QString::fromUtf8(row.caption));
        }
        EXPECT_EQ(a->isChecked(), row.checked);
    }
    for (const auto& [parent, actions] : holders) EXPECT_EQ(next[parent], actions.size()) << parent.toStdString();
    EXPECT_EQ(item("N15")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(item("N36")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
}

TEST_F(UiTest, CheckMarksChangeOnlyWhenAHandlerSetsThem) {
    QAction* defaults = item("N13");
    defaults->trigger();
    EXPECT_TRUE(defaults->isChecked());
    // The mode items' handlers set both marks; a click on the checked item keeps it.
    for (const char* name : {"CpuUser1", "Cpu31", "Cpu31", "CpuUser1", "CpuUser1"}) {
        item(name)->trigger();
        EXPECT_TRUE(item(name)->isChecked()) << name;
        EXPECT_NE(item("CpuUser1")->isChecked(), item("Cpu31")->isChecked()) << name;
    }
}

struct TimerRow {
    const char* name;
    int interval;
    bool running;
};

TEST_F(UiTest, TimersHaveTheirIntervalsAndRunningStates) {
    const std::vector<TimerRow> rows = {
        {"Timer2", 1000, true}, {"Timer3", 1, true},    {"Timer4", 15, false},   {"Timer5", 1, true},
        {"Timer6", 3000, false}, {"Timer7", 1, true},   {"Timer8", 1000, true},  {"Timer9", 1000, false},
    };
    for (const TimerRow& row : rows) {
        QTimer* t = timer(row.name);
        ASSERT_NE(t, nullptr) << row.name;
        EXPECT_EQ(t->interval(), row.interval) << row.name;
        EXPECT_EQ(t->isActive(), row.running) << row.name;
    }
    // The polling runs, but an idle window must not spin: its backstop period is
    // well above a millisecond.
    EXPECT_TRUE(timer("Timer1")->isActive());
    EXPECT_GE(timer("Timer1")->interval(), 50);
    EXPECT_EQ(form().mode(), Mode::CpuUser);
}

// ---- Start-up ---------------------------------------------------------------------

TEST_F(UiTest, AMissingOrBrokenSoundFileStopsStartUpWithItsMessage) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Close.wav", ""},  // missing
        {"KeyBoard.wav", "not a sound"},
        {"CpuSound.wav", tinyWave().substr(0, 20)},
    };
    for (const auto& [file, bytes] : cases) {
        SCOPED_TRACE(file);
        writeSmallInstallation(dir);
        if (bytes.empty()) {
            removeFile("Sound/" + file);
        } else {
            dir.write("Sound/" + file, bytes);
        }
        messages.clear();
        RecordingSound players(disk);
        TForm1 f(files, random, clock, players);
        EXPECT_FALSE(f.started());
        EXPECT_EQ(messages, QStringList{QStringLiteral("Cannot open file Sound\\") + QString::fromStdString(file)});
        for (QTimer* t : f.findChildren<QTimer*>()) EXPECT_FALSE(t->isActive()) << t->objectName().toStdString();
    }
}

TEST_F(UiTest, AMissingKnowledgeBaseIsReportedOnceAtStartUp) {
    form();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(form().engine().scratch().size(), 4u);  // window creation read it

    removeFile("Base/Words.Dat");
    RecordingSound players(disk);
    TForm1 f(files, random, clock, players);
    EXPECT_TRUE(f.started()) << "the window goes on without a knowledge base";
    EXPECT_TRUE(messages.isEmpty());  // window creation stays silent...
    QMetaObject::invokeMethod(&f, "Timer3Timer");
    EXPECT_EQ(messages, QStringList{QStringLiteral("Cannot open file Base\\Words.Dat")});  // ...the load reports
}

TEST_F(UiTest, StartUpLoadShowsItsProgressAndTheCounts) {
    form();
    QString panelDuringLoad;
    bool readOnlyDuringLoad = false;
    bool sendEnabledDuringLoad = true;
    files.beforeRead = [&](std::string_view name) {
        if (name != "Base\\Words.Dat") return;
        panelDuringLoad = form().statusText(0);
        readOnlyDuringLoad = edit1()->isReadOnly();
        sendEnabledDuringLoad = button("SpeedButton1")->isEnabled();
    };
    call("Timer3Timer");
    EXPECT_EQ(panelDuringLoad, QStringLiteral("Идёт загрузка подождите..."));
    EXPECT_TRUE(readOnlyDuringLoad);
    EXPECT_FALSE(sendEnabledDuringLoad);
    EXPECT_EQ(form().statusText(0), QStringLiteral("Загрузка окончена"));
    EXPECT_EQ(form().statusText(1), QStringLiteral("Программе известно:   [главные фразы - 2   ветки - 1]"));
    EXPECT_FALSE(edit1()->isReadOnly());
    EXPECT_FALSE(timer("Timer3")->isActive()) << "the load runs once";
    EXPECT_TRUE(messages.isEmpty());
    // The polling takes the send button over again.
    call("Timer1Timer");
    EXPECT_FALSE(button("SpeedButton1")->isEnabled());
}

TEST_F(UiTest, StartUpLoadWithoutAKnowledgeBaseLeavesTheWindowUsable) {
    form();
    removeFile("Base/Words.Dat");
    call("Timer3Timer");
    EXPECT_EQ(messages, QStringList{QStringLiteral("Cannot open file Base\\Words.Dat")});
    EXPECT_FALSE(edit1()->isReadOnly());
    EXPECT_TRUE(button("SpeedButton1")->isEnabled());
    EXPECT_EQ(form().statusText(0), QString()) << "no longer loading";
    EXPECT_EQ(form().statusText(1), QString());
    EXPECT_FALSE(timer("Timer3")->isActive()) << "not tried again";
    // Each Say reports the missing file, and the window goes on.
    random.script = {2};
    type(QStringLiteral("Привет"));
    call("TalkClick");
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.last(), QStringLiteral("Cannot open file Base\\Words.Dat"));
    EXPECT_EQ(view()->lineCount(), 1);
}

// ---- UI polling ---------------------------------------------------------------------

TEST_F(UiTest, PollingEnablesSendLayoutAndEnterWhileTheLineHoldsText) {
    struct Row {
        QString text;
        bool enabled;
    };
    for (const Row& row : {Row{QStringLiteral("а"), true}, Row{QString(), false}, Row{QStringLiteral(" "), true}}) {
        type(row.text);
        for (const char* name : {"SpeedButton1", "SpeedButton3"}) EXPECT_EQ(button(name)->isEnabled(), row.enabled);
        EXPECT_EQ(form().findChild<QPushButton*>("Talk")->isEnabled(), row.enabled);
    }
}

TEST_F(UiTest, PollingEnablesUndoAndCtrlZWhileTheViewHoldsALine) {
    call("Timer1Timer");
    EXPECT_FALSE(button("SpeedButton2")->isEnabled());
    EXPECT_FALSE(item("N15")->isEnabled());
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    call("Timer1Timer");
    EXPECT_TRUE(button("SpeedButton2")->isEnabled());
    EXPECT_TRUE(item("N15")->isEnabled());
    call("N2Click");
    call("Timer1Timer");
    EXPECT_FALSE(button("SpeedButton2")->isEnabled());
    EXPECT_FALSE(item("N15")->isEnabled());
}

TEST_F(UiTest, PollingSwitchesTheCpuCpuTickByTheCheckMarkWithoutRestartingIt) {
    item("Cpu31")->setChecked(true);
    EXPECT_EQ(form().mode(), Mode::CpuCpu);
    call("Timer1Timer");
    QTimer* tick = timer("Timer6");
    ASSERT_TRUE(tick->isActive());
    const int id = tick->timerId();
    call("Timer1Timer");
    EXPECT_EQ(tick->timerId(), id) << "switching a running timer on again must not restart it";
    item("Cpu31")->setChecked(false);
    call("Timer1Timer");
    EXPECT_FALSE(tick->isActive());
}

TEST_F(UiTest, PollingReturnsTheFocusToTheInputLine) {
    form().show();
    view()->setFocus();
    EXPECT_EQ(form().focusWidget(), view());
    call("Timer1Timer");
    EXPECT_EQ(form().focusWidget(), edit1());
}

TEST_F(UiTest, PollingWakesOnChangesAndSleepsWhileSuspended) {
    QTimer* wake = form().findChild<QTimer*>("Timer1Wake");
    ASSERT_NE(wake, nullptr);
    QTimer* poll = timer("Timer1");
    struct Change {
        const char* what;
        std::function<void()> make;
    };
    const std::vector<Change> changes = {
        {"text", [&] { edit1()->setText(edit1()->text() + "x"); }},
        {"check mark", [&] { item("Cpu31")->setChecked(!item("Cpu31")->isChecked()); }},
        {"view", [&] { form().engine().switchToCpuCpu(); form().syncView(); }},
        {"window enabled", [&] { form().setEnabled(!form().isEnabled()); }},
    };
    for (const Change& c : changes) {
        wake->stop();
        c.make();
        EXPECT_TRUE(wake->isActive()) << c.what;
    }
    form().setEnabled(true);
    form().suspendPolling();
    EXPECT_FALSE(poll->isActive());
    for (const Change& c : changes) {
        c.make();
        EXPECT_FALSE(wake->isActive()) << c.what << " while suspended";
    }
    form().setEnabled(true);
    form().resumePolling();
    EXPECT_TRUE(poll->isActive());
    EXPECT_TRUE(wake->isActive());
}

// ---- Enter and the key sound --------------------------------------------------------------

TEST_F(UiTest, EnterWithoutShiftCtrlOrAltSends) {
    form().show();
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool sends;
    };
    const std::vector<Row> rows = {
        {Qt::Key_Return, Qt::NoModifier, true},       {Qt::Key_Enter, Qt::KeypadModifier, true},
        {Qt::Key_Return, Qt::ShiftModifier, false},   {Qt::Key_Return, Qt::ControlModifier, false},
        {Qt::Key_Return, Qt::AltModifier, false},     {Qt::Key_Enter, Qt::KeypadModifier | Qt::ShiftModifier, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.modifiers.toInt());
        call("N2Click");
        random.script = {2, 1, 2};
        type(QStringLiteral("Привет"));
        QTest::keyClick(edit1(), row.key, row.modifiers);
        EXPECT_EQ(view()->lineCount(), row.sends ? 2 : 0);
    }
    // While the line is empty the hidden button is disabled, and Enter does nothing.
    call("N2Click");
    edit1()->clear();
    QTest::keyClick(edit1(), Qt::Key_Return);
    EXPECT_EQ(view()->lineCount(), 0);
}

TEST_F(UiTest, KeysTypedWhileASayHeldTheWindowUpSendEachPhraseOnItsOwn) {
    form().show();
    random.script = {2, 1, 2, 2, 1, 2};
    call("Timer1Timer");  // as after a Say: the line cleared, the polling has disabled Talk
    // The keys of two phrases come in one batch, as after a Say that waited for the
    // disk: no polling tick runs between them.
    for (const QString& phrase : {QStringLiteral("привет"), QStringLiteral("как дела")}) {
        for (const QChar c : phrase)
            QTest::sendKeyEvent(QTest::Click, edit1(), Qt::Key_A, QString(c), Qt::NoModifier);
        QTest::keyClick(edit1(), Qt::Key_Return);
    }
    EXPECT_EQ(record(), (std::vector<std::string>{"USER:     Привет.", "CPU:     Привет!",
                                                  "USER:     Как дела.", "CPU:     Хорошо."}));
}

TEST_F(UiTest, EveryChangeOfTheInputLinePlaysTheKeySound) {
    form();
    sound.played.clear();
    QTest::keyClicks(edit1(), QStringLiteral("da"));
    EXPECT_EQ(sound.played, (std::vector<int>{1, 1}));
    edit1()->clear();
    EXPECT_EQ(sound.played, (std::vector<int>{1, 1, 1}));
}

// ---- Say ------------------------------------------------------------------------------

TEST_F(UiTest, SayShowsTheUserLineAndTheReplyInTheirColoursAndFonts) {
    Appearance& look = form().appearance();
    look.user = colorRef(200, 0, 0);
    look.userFont = {QStringLiteral("Nimbus Sans"), 12, true, false, false, false};
    look.cpu = colorRef(0, 0, 200);
    look.cpuFont = {QStringLiteral("Nimbus Roman"), 10, false, true, false, false};
    type(QStringLiteral("привет"));
    sound.played.clear();
    random.script = {2, 2, 2};  // no long reply, second answer, no afterthought
    call("SpeedButton1Click");

    ASSERT_EQ(view()->lineCount(), 2);
    EXPECT_EQ(view()->lineText(0), QStringLiteral("Привет."));
    EXPECT_EQ(view()->lineText(1), QStringLiteral("Здравствуй."));
    const QTextCharFormat user = view()->lineFormat(0);
    EXPECT_EQ(user.foreground().color(), QColor(200, 0, 0));
    EXPECT_EQ(user.fontFamilies().toStringList().value(0), QStringLiteral("Nimbus Sans"));
    EXPECT_EQ(user.fontPointSize(), 12);
    EXPECT_EQ(user.fontWeight(), QFont::Bold);
    EXPECT_FALSE(user.fontItalic());
    const QTextCharFormat cpu = view()->lineFormat(1);
    EXPECT_EQ(cpu.foreground().color(), QColor(0, 0, 200));
    EXPECT_EQ(cpu.fontFamilies().toStringList().value(0), QStringLiteral("Nimbus Roman"));
    EXPECT_EQ(cpu.fontPointSize(), 10);
    EXPECT_EQ(cpu.fontWeight(), QFont::Normal);
    EXPECT_TRUE(cpu.fontItalic());
    EXPECT_EQ(view()->lineAlignment(0), Qt::AlignHCenter);
    EXPECT_EQ(view()->lineAlignment(1), Qt::AlignHCenter);

    EXPECT_EQ(record(), (std::vector<std::string>{"USER:     Привет.", "CPU:     Здравствуй."}));
    EXPECT_EQ(sound.played, (std::vector<int>{2, 5, 1})) << "sent, answered, input line cleared";
    EXPECT_EQ(edit1()->text(), QString());
    EXPECT_FALSE(timer("Timer9")->isActive());
    EXPECT_FALSE(timer("Timer4")->isActive());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(UiTest, TextTheCodePageCannotHoldBecomesQuestionMarks) {
    random.script = {2, 1, 2};
    say(QStringLiteral("Ж日本 да"));
    EXPECT_EQ(view()->lineText(0), QStringLiteral("Ж?? да."));
    EXPECT_EQ(record().at(0), "USER:     Ж?? да.");
}

TEST_F(UiTest, ARepeatIsAnsweredFromTheRepeatRepliesUnlessAnAfterthoughtCameBetween) {
    // Without an afterthought: the second "Привет." equals the line before the reply.
    random.script = {2, 1, 2, /*repeat reply*/ 1, 2};
    say(QStringLiteral("Привет"));
    say(QStringLiteral("привет"));
    ASSERT_EQ(view()->lineCount(), 4);
    EXPECT_EQ(view()->lineText(3), QStringLiteral("Опять то же."));

    // With an afterthought after the reply, the line before last is the reply.
    call("N2Click");
    random.script = {2, 1, /*afterthought*/ 1};
    say(QStringLiteral("Привет"));
    EXPECT_TRUE(timer("Timer9")->isActive());
    sound.played.clear();
    call("Timer9Timer");
    EXPECT_EQ(view()->lineCount(), 2) << "the afterthought comes on the second tick";
    EXPECT_TRUE(timer("Timer9")->isActive());
    call("Timer9Timer");
    ASSERT_EQ(view()->lineCount(), 3);
    EXPECT_EQ(view()->lineText(2), QStringLiteral("Кстати, я подумал."));
    EXPECT_EQ(view()->lineFormat(2).foreground().color(), toQColor(form().appearance().cpu));
    EXPECT_EQ(sound.played, std::vector<int>{5});
    EXPECT_FALSE(timer("Timer9")->isActive());
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    ASSERT_EQ(view()->lineCount(), 5);
    EXPECT_EQ(view()->lineText(4), QStringLiteral("Привет!")) << "answered from the knowledge base";
    EXPECT_EQ(record(), (std::vector<std::string>{"USER:     Привет.", "CPU:     Привет!", "CPU:     Кстати, я подумал.",
                                                  "USER:     Привет.", "CPU:     Привет!"}));
}

TEST_F(UiTest, ACloseMarkerStartsTheClosingWhichEndsWithTheExit) {
    form().show();
    QSignalSpy closed(&form(), &TForm1::closed);
    random.script = {2, 1, 2};
    say(QStringLiteral("Пока"));
    EXPECT_EQ(view()->lineText(1), QStringLiteral("До свидания."));
    EXPECT_TRUE(timer("Timer4")->isActive());
    for (int tick = 1; tick < 80; ++tick) call("Timer4Timer");
    EXPECT_EQ(closed.count(), 0);
    call("Timer4Timer");
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form().isVisible());
    const std::vector<std::string> log = logLines();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "USER:     Пока.");
    EXPECT_EQ(log[log.size() - 2], "CPU:     До свидания.");
}

TEST_F(UiTest, AFailingFileOperationLeavesTheWindowUsable) {
    type(QStringLiteral("Абракадабра"));
    removeFile("Base/W2.Dat");
    random.script = {2};
    call("SpeedButton1Click");
    EXPECT_EQ(messages, QStringList{QStringLiteral("Cannot open file Base\\W2.Dat")});
    EXPECT_EQ(view()->lineCount(), 1) << "the user's line stays, no reply";
    EXPECT_EQ(record(), std::vector<std::string>{"USER:     Абракадабра."});
    EXPECT_EQ(edit1()->text(), QStringLiteral("Абракадабра")) << "the input line keeps its text";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer does not stick";
    for (const char* name : {"Timer1", "Timer2", "Timer8"}) EXPECT_TRUE(timer(name)->isActive()) << name;

    writeSmallInstallation(dir);
    random.script = {2, 0, 2};
    call("SpeedButton1Click");
    EXPECT_EQ(messages.size(), 1) << messages.join(';').toStdString();
    EXPECT_EQ(view()->lineCount(), 3);
    EXPECT_EQ(view()->lineText(2), QStringLiteral("Понятно."));
    EXPECT_EQ(edit1()->text(), QString());
}

TEST_F(UiTest, AFileSizeLimitFailsTheLearningWriteAndLeavesNoTemporaryFile) {
    // The program entry ignores SIGXFSZ as this test does: a write past the limit
    // then fails with the program's message instead of killing the program.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> kb = {"Заголовок базы", "ПРИВЕТ^Привет!;"};
    for (int i = 0; i < 3000; ++i) kb.push_back("КЛЮЧ" + std::to_string(i) + "^Ответ номер " + std::to_string(i) + ";");
    dir.write("Base/Words.Dat", plainFile(kb));
    const std::string before = dir.read("Base/Words.Dat");
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = 2 * before.size();  // the pool can grow; the knowledge base's RTF form cannot
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    say(QStringLiteral("привет"));
    say(QStringLiteral("совсем новая фраза"));
    limit.rlim_cur = unlimited;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Cannot create file Base\\Words.Dat")});
    EXPECT_EQ(dir.read("Base/Words.Dat"), before);
    for (const auto& e : std::filesystem::directory_iterator(dir.path() / "Base")) {
        EXPECT_FALSE(e.path().filename().string().ends_with(".cpu-chat-tmp")) << e.path();
    }
    EXPECT_TRUE(form().isEnabled());
}

// ---- Session record: undo, new dialogue, exit ----------------------------------------------------

TEST_F(UiTest, UndoRemovesTheLastLineOfViewAndRecordAndShakes) {
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    timer("Timer7")->stop();
    call("SpeedButton2Click");
    EXPECT_EQ(view()->lineCount(), 1);
    EXPECT_EQ(view()->lineText(0), QStringLiteral("Привет."));
    EXPECT_EQ(record(), std::vector<std::string>{"USER:     Привет."});
    EXPECT_TRUE(timer("Timer7")->isActive());

    // Undo after a service line: the view loses the service line, the record its last utterance.
    form().engine().switchToCpuCpu();
    form().syncView();
    call("N15Click");
    EXPECT_EQ(view()->lineCount(), 1);
    EXPECT_EQ(view()->lineText(0), QStringLiteral("Привет."));
    EXPECT_TRUE(record().empty());
    call("N15Click");
    call("N15Click");  // an empty view and record stay so
    EXPECT_EQ(view()->lineCount(), 0);
    EXPECT_TRUE(record().empty());
}

TEST_F(UiTest, CtrlZUndoesOnlyWhileEnabled) {
    form().show();
    form().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
    call("Timer1Timer");
    QTest::keyClick(edit1(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(record().empty());

    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    call("Timer1Timer");
    ASSERT_TRUE(item("N15")->isEnabled());
    QTest::keyClick(edit1(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view()->lineCount(), 1);
    EXPECT_EQ(record().size(), 1u);
    item("N15")->setEnabled(false);
    QTest::keyClick(edit1(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view()->lineCount(), 1);
    // Ctrl+Z reaches the menu before the input line's own undo.
    item("N15")->setEnabled(true);
    QTest::keyClicks(edit1(), QStringLiteral("abc"));
    QTest::keyClick(edit1(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view()->lineCount(), 0);
    EXPECT_EQ(edit1()->text(), QStringLiteral("abc"));
}

TEST_F(UiTest, NewDialogueClearsViewRecordAndInputLineAndShakes) {
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    edit1()->setText(QStringLiteral("недописанное"));
    timer("Timer7")->stop();
    sound.played.clear();
    call("N2Click");
    EXPECT_EQ(view()->lineCount(), 0);
    EXPECT_TRUE(view()->document()->isEmpty());
    EXPECT_TRUE(record().empty());
    EXPECT_EQ(edit1()->text(), QString());
    EXPECT_EQ(sound.played, std::vector<int>{1});
    EXPECT_TRUE(timer("Timer7")->isActive());
    // Only what is said afterwards reaches the log.
    random.script = {2, 2, 2};
    say(QStringLiteral("Привет"));
    call("N4Click");
    const std::vector<std::string> log = logLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "USER:     Привет."), 1);
}

TEST_F(UiTest, ExitAppendsTheLogBlockAndCloses) {
    form().show();
    QSignalSpy closed(&form(), &TForm1::closed);
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    call("N4Click");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(form().isVisible());
    const std::vector<std::string> log = logLines();
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[0], "");
    EXPECT_EQ(log[1], std::string(80, '-'));
    EXPECT_EQ(log[5], "//Загружено фраз выученных программой: 3");
    EXPECT_EQ(log[6], "USER:     Привет.");
    EXPECT_EQ(log[7], "CPU:     Привет!");
    EXPECT_EQ(log[8], std::string(53, '='));
}

TEST_F(UiTest, TheCloseBoxEndsWithoutALog) {
    form().show();
    QSignalSpy closed(&form(), &TForm1::closed);
    random.script = {2, 1, 2};
    say(QStringLiteral("Привет"));
    const std::string before = dir.read("Base/Log.Lormak");
    EXPECT_TRUE(form().close());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(dir.read("Base/Log.Lormak"), before);
}

TEST_F(UiTest, AFailedExitShowsTheMessageAndTheWindowStays) {
    struct Case {
        const char* file;
        bool remove;  // else writing fails
        QString message;
    };
    const std::vector<Case> cases = {
        {"Base/Log.Lormak", true, QStringLiteral("Cannot open file Base\\Log.Lormak")},
        {"Base/Words.Dat", true, QStringLiteral("Cannot open file Base\\Words.dat")},
        {"Base/Log.Lormak", false, QStringLiteral("Cannot create file Base\\Log.Lormak")},
    };
    form().show();
    QSignalSpy closed(&form(), &TForm1::closed);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeSmallInstallation(dir);
        messages.clear();
        if (c.remove) removeFile(c.file);
        files.failWrites = !c.remove;
        const std::string before = dir.read("Base/Log.Lormak");
        call("N4Click");
        EXPECT_EQ(dir.read("Base/Log.Lormak"), before);
        EXPECT_EQ(messages, QStringList{c.message});
        EXPECT_TRUE(form().isVisible());
        EXPECT_EQ(closed.count(), 0);
    }
}

}  // namespace
}  // namespace cpuchat::test
