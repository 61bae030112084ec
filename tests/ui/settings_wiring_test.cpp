// The main window's appearance items and their restore, the full-screen layout, the
// knowledge statistics, and the editor and About windows opened from the menu. The
// colour and font dialogs are answered by a script.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <optional>

#include "AppearanceDialogs.h"
#include "DialogueView.h"
#include "EnabledProbe.h"
#include "FullScreen.h"
#include "UiFixture.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

namespace cpuchat {

void PrintTo(const MainLayout& l, std::ostream* out) {
    *out << "{" << l.upperFrameWidth << ", " << l.upperFrameHeight << ", " << l.viewWidth << ", "
         << l.viewHeight << ", " << l.lowerFrameWidth << ", " << l.lowerFrameTop << ", " << l.sendLeft << ", "
         << l.layoutLeft << ", " << l.undoLeft << ", " << l.inputWidth << "}";
}

namespace test {
namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);
const QColor kSilver(192, 192, 192);
const QColor kBlack(0, 0, 0);
const QString kDefaultFace = QStringLiteral("MS Sans Serif");

/// Answers the appearance dialogs from a script; an empty answer is a cancel. Records
/// what each dialog opened with and whether the defaults item was checked then.
class ScriptedDialogs : public AppearanceDialogs {
public:
    std::optional<QColor> chooseColour(QColor current) override {
        colourOpenedWith.push_back(current);
        noteOpen();
        if (colours.empty()) {
            ADD_FAILURE() << "unexpected colour dialog";
            return std::nullopt;
        }
        const std::optional<QColor> answer = colours.front();
        colours.pop_front();
        return answer;
    }
    std::optional<FontSpec> chooseFont(const FontSpec& current, bool sizeEightOnly) override {
        fontOpenedWith.push_back(current);
        eightOnly.push_back(sizeEightOnly);
        noteOpen();
        if (fonts.empty()) {
            ADD_FAILURE() << "unexpected font dialog";
            return std::nullopt;
        }
        const std::optional<FontSpec> answer = fonts.front();
        fonts.pop_front();
        return answer;
    }

    std::deque<std::optional<QColor>> colours;
    std::deque<std::optional<FontSpec>> fonts;
    std::vector<QColor> colourOpenedWith;
    std::vector<FontSpec> fontOpenedWith;
    std::vector<bool> eightOnly;
    std::vector<bool> defaultsCheckedAtOpen;
    QAction* defaults = nullptr;

private:
    void noteOpen() { defaultsCheckedAtOpen.push_back(defaults && defaults->isChecked()); }
};

FontSpec font(const QString& face, int size, bool bold = false, bool italic = false) {
    return {face, size, bold, italic, false, false};
}

/// Everything the appearance items and the restore can change, for comparing states.
struct Look {
    QColor mainBackground, viewBackground, inputBackground, inputText;
    QString inputFace;
    int inputSize;
    bool inputBold, inputItalic;
    QColor sendCaption, undoCaption, layoutCaption;
    Appearance appearance;
    bool defaultsChecked;
    QString editorPath;
    int editorInterval;
    int aboutHeight;

    bool operator==(const Look& o) const {
        return mainBackground == o.mainBackground && viewBackground == o.viewBackground &&
               inputBackground == o.inputBackground && inputText == o.inputText && inputFace == o.inputFace &&
               inputSize == o.inputSize && inputBold == o.inputBold && inputItalic == o.inputItalic &&
               sendCaption == o.sendCaption && undoCaption == o.undoCaption &&
               layoutCaption == o.layoutCaption && appearance.general == o.appearance.general &&
               appearance.user == o.appearance.user && appearance.cpu == o.appearance.cpu &&
               appearance.userFont == o.appearance.userFont && appearance.cpuFont == o.appearance.cpuFont &&
               appearance.inputFont == o.appearance.inputFont && appearance.current == o.appearance.current &&
               defaultsChecked == o.defaultsChecked && editorPath == o.editorPath &&
               editorInterval == o.editorInterval && aboutHeight == o.aboutHeight;
    }
};

class SettingsTest : public UiTest {
protected:
    /// The window with the scripted dialogs in place.
    TForm1& window() {
        if (!window_) {
            window_ = &form();
            dialogs->defaults = item("N13");
            window_->setAppearanceDialogs(dialogs);
        }
        return *window_;
    }
    void run(const char* handler) {
        window();
        call(handler);
    }

    QColor background(const char* name, QPalette::ColorRole role) {
        return window().findChild<QWidget*>(name)->palette().color(role);
    }
    QColor caption(const char* name) {
        return button(name)->palette().color(QPalette::Active, QPalette::ButtonText);
    }
    QLineEdit* editorPathField() { return window().editorWindow()->findChild<QLineEdit*>("Edit1"); }
    QSpinBox* editorIntervalField() { return window().editorWindow()->findChild<QSpinBox*>("SpinEdit1"); }
    bool defaultsChecked() { return item("N13")->isChecked(); }
    QStringList statisticsCaptions() {
        return {item("N18")->text(), item("N19")->text(), item("N20")->text()};
    }

    Look look() {
        const QFont input = edit1()->font();
        return {background("ClientArea", QPalette::Window),
                background("RichEdit1", QPalette::Base),
                background("Edit1", QPalette::Base),
                edit1()->palette().color(QPalette::Text),
                input.family(),
                input.pointSize(),
                input.bold(),
                input.italic(),
                caption("SpeedButton1"),
                caption("SpeedButton2"),
                caption("SpeedButton3"),
                window().appearance(),
                defaultsChecked(),
                window().editorWindow()->path(),
                window().editorWindow()->interval(),
                window().aboutWindow()->outerHeight()};
    }

    /// Changes every setting the restore puts back, through the menu items.
    void changeEverything() {
        dialogs->colours = {kGreen, kGreen, kGreen, kRed, kBlue, std::nullopt, kRed, kGreen, kBlue, kRed};
        for (const char* handler :
             {"N6Click", "N21Click", "N16Click", "N9Click", "User1Click", "Cpu1Click", "Mystring2Click"}) {
            run(handler);
        }
        dialogs->fonts = {font("Courier New", 12, false, true), font("Nimbus Roman", 14, true),
                          font("Courier New", 8, false, true)};
        for (const char* handler : {"User2Click", "Cpu2Click", "Mystring1Click"}) run(handler);
        editorPathField()->setText(QStringLiteral("Other.Dat"));
        editorIntervalField()->setValue(5000);
        dir.write("ReadMe.Txt", plainFile({"История"}));
        window().aboutWindow()->findChild<QPushButton*>("Button1")->click();
        ASSERT_EQ(window().aboutWindow()->outerHeight(), TForm3::kLongHeight);
    }

    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();

private:
    TForm1* window_ = nullptr;
};

// ---- The restore and the defaults item's check mark ------------------------------------

TEST_F(SettingsTest, TheRestorePutsBackEveryStepButLeavesTheViewsCurrentAttributesAndTheInputFace) {
    changeEverything();
    const TextAttributes currentBefore = window().appearance().current;
    ASSERT_EQ(currentBefore.font.face, "Nimbus Roman");  // the Cpu font item set it
    ASSERT_EQ(edit1()->font().family(), "Courier New");
    ASSERT_FALSE(defaultsChecked());

    run("N13Click");

    EXPECT_TRUE(defaultsChecked());                                  // 1
    EXPECT_EQ(background("ClientArea", QPalette::Window), kSilver);  // 2
    EXPECT_EQ(background("RichEdit1", QPalette::Base), kSilver);
    EXPECT_EQ(background("Edit1", QPalette::Base), kSilver);
    EXPECT_EQ(edit1()->palette().color(QPalette::Text), kBlack);  // 3: black and bold,
    EXPECT_TRUE(edit1()->font().bold());
    EXPECT_FALSE(edit1()->font().italic());
    EXPECT_EQ(edit1()->font().family(), "Courier New");  // face and size as they were
    EXPECT_EQ(edit1()->font().pointSize(), 8);
    for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3"})
        EXPECT_EQ(caption(name), kBlack) << name;  // 4
    const Appearance& a = window().appearance();
    EXPECT_EQ(a.general, 0u);  // 5
    EXPECT_EQ(a.user, 0u);
    EXPECT_EQ(a.cpu, 0u);
    EXPECT_EQ(a.userFont, font(kDefaultFace, 8));  // 6
    EXPECT_EQ(a.cpuFont, font(kDefaultFace, 8));
    EXPECT_EQ(a.inputFont, font(kDefaultFace, 8, false, true));  // 7: the style stays italic
    EXPECT_EQ(window().editorWindow()->path(), "D:\\Txt.Dat");   // 8
    EXPECT_EQ(window().editorWindow()->interval(), 1000);
    EXPECT_EQ(window().aboutWindow()->outerHeight(), TForm3::kShortHeight);  // 9
    EXPECT_EQ(a.current, currentBefore);
}

TEST_F(SettingsTest, ASecondRestoreChangesNothing) {
    changeEverything();
    run("N13Click");
    const Look once = look();
    run("N13Click");
    EXPECT_TRUE(look() == once);
    EXPECT_TRUE(defaultsChecked());
}

TEST_F(SettingsTest, ARestoreAtStartOnlyMakesTheInputTextBold) {
    Look expected = look();
    ASSERT_TRUE(expected.defaultsChecked);
    ASSERT_FALSE(expected.inputBold);
    run("N13Click");
    expected.inputBold = true;
    // The three caption colours are black after a restore, whatever the start gave.
    expected.sendCaption = expected.undoCaption = expected.layoutCaption = kBlack;
    EXPECT_TRUE(look() == expected);
}

TEST_F(SettingsTest, EveryItemButTheRestoreClearsTheCheckMarkBeforeItsDialogEvenWhenCancelled) {
    struct Row {
        const char* handler;
        int colourDialogs;
        int fontDialogs;
    };
    const Row rows[] = {
        {"N6Click", 1, 0},    {"N21Click", 1, 0},       {"N16Click", 1, 0},       {"N9Click", 3, 0},
        {"User1Click", 1, 0}, {"Cpu1Click", 1, 0},      {"Mystring2Click", 1, 0}, {"User2Click", 0, 1},
        {"Cpu2Click", 0, 1},  {"Mystring1Click", 0, 1},
    };
    for (const Row& row : rows) {
        run("N13Click");
        const Look restored = look();
        ASSERT_TRUE(restored.defaultsChecked);
        dialogs->defaultsCheckedAtOpen.clear();
        dialogs->colours.assign(row.colourDialogs, std::nullopt);
        dialogs->fonts.assign(row.fontDialogs, std::nullopt);

        run(row.handler);

        EXPECT_EQ(dialogs->defaultsCheckedAtOpen,
                  std::vector<bool>(row.colourDialogs + row.fontDialogs, false))
            << row.handler;
        EXPECT_TRUE(dialogs->colours.empty() && dialogs->fonts.empty()) << row.handler;
        Look expected = restored;
        expected.defaultsChecked = false;
        if (std::string(row.handler) == "Mystring1Click")
            expected.inputBold = false;  // the input font's style
        EXPECT_TRUE(look() == expected) << row.handler;
    }
}

TEST_F(SettingsTest, EditorChangesClearTheCheckMarkAndItsRestoreDoesNot) {
    window();
    editorPathField()->setText(QStringLiteral("E:\\Other.Dat"));
    EXPECT_FALSE(defaultsChecked());
    run("N13Click");
    EXPECT_EQ(editorPathField()->text(), "D:\\Txt.Dat");
    EXPECT_TRUE(defaultsChecked());
    editorIntervalField()->setValue(2500);
    EXPECT_FALSE(defaultsChecked());
    run("N13Click");
    EXPECT_EQ(editorIntervalField()->value(), 1000);
    EXPECT_TRUE(defaultsChecked());
}

TEST_F(SettingsTest, ARestoreWhileTheEditorIsOpenAndHoldsOtherValues) {
    run("N38Click");
    editorPathField()->setText(QStringLiteral("C:\\Elsewhere.Dat"));
    editorIntervalField()->setValue(42);
    // The main window takes no input meanwhile; the restore is run as a handler.
    run("N13Click");
    EXPECT_EQ(window().editorPath(), "D:\\Txt.Dat");
    EXPECT_EQ(window().editorInterval(), 1000);
    EXPECT_TRUE(defaultsChecked());
    window().editorWindow()->findChild<QPushButton*>("Button2")->click();
    EXPECT_EQ(window().editorPath(), "D:\\Txt.Dat");
    EXPECT_TRUE(defaultsChecked());
}

// ---- Colours -----------------------------------------------------------------------

TEST_F(SettingsTest, TheButtonCaptionRowConfirmCancelConfirm) {
    window();
    const QColor undoBefore = caption("SpeedButton2");
    dialogs->colours = {kRed, std::nullopt, kBlue};
    run("N9Click");
    EXPECT_EQ(caption("SpeedButton1"), kRed);
    EXPECT_EQ(caption("SpeedButton2"), undoBefore);
    EXPECT_EQ(caption("SpeedButton3"), kBlue);
    EXPECT_EQ(window().appearance().general, 0xFF0000u);  // blue in 0x00BBGGRR
    EXPECT_EQ(dialogs->colourOpenedWith, (std::vector<QColor>{kBlack, kRed, kRed}));
}

TEST_F(SettingsTest, TheColourItemsShareTheGeneralColourAndSetTheirOwnElement) {
    struct Row {
        const char* handler;
        const char* widget;
        QPalette::ColorRole role;
        QColor chosen;
    };
    const Row rows[] = {
        {"N6Click", "ClientArea", QPalette::Window, kGreen},
        {"N21Click", "RichEdit1", QPalette::Base, kRed},
        {"N16Click", "Edit1", QPalette::Base, kBlue},
        {"Mystring2Click", "Edit1", QPalette::Text, QColor(0x12, 0x34, 0x56)},
    };
    QColor previous = kBlack;
    for (const Row& row : rows) {
        dialogs->colours = {row.chosen};
        run(row.handler);
        EXPECT_EQ(dialogs->colourOpenedWith.back(), previous) << row.handler;
        EXPECT_EQ(background(row.widget, row.role), row.chosen) << row.handler;
        previous = row.chosen;
    }
    EXPECT_EQ(window().appearance().general, 0x563412u);
    // A cancel changes no colour.
    dialogs->colours = {std::nullopt};
    run("N6Click");
    EXPECT_EQ(background("ClientArea", QPalette::Window), kGreen);
    EXPECT_EQ(window().appearance().general, 0x563412u);
}

TEST_F(SettingsTest, UserAndCpuColoursHaveTheirOwnDialogsAndColourTheNextLines) {
    dialogs->colours = {kRed, kBlue};
    run("User1Click");
    run("Cpu1Click");
    dialogs->colours = {std::nullopt, kGreen};
    run("User1Click");
    run("Cpu1Click");
    EXPECT_EQ(dialogs->colourOpenedWith, (std::vector<QColor>{kBlack, kBlack, kRed, kBlue}));
    EXPECT_EQ(window().appearance().user, 0x0000FFu);
    EXPECT_EQ(window().appearance().cpu, 0x008000u);
    EXPECT_EQ(window().appearance().general, 0u);
    say(QStringLiteral("привет"));
    ASSERT_GE(view()->lineCount(), 2);
    EXPECT_EQ(view()->lineFormat(0).foreground().color(), kRed);
    EXPECT_EQ(view()->lineFormat(1).foreground().color(), kGreen);
}

// ---- Fonts -------------------------------------------------------------------------

TEST_F(SettingsTest, LineFontItemsSetTheFaceOnConfirmAndSizeAndStyleAlsoAfterACancel) {
    for (const char* handler : {"User2Click", "Cpu2Click"}) {
        SCOPED_TRACE(handler);
        dialogs->fonts = {font("Courier New", 12, false, true)};
        run(handler);
        TextAttributes& current = window().appearance().current;
        EXPECT_EQ(current.font, font("Courier New", 12, false, true));
        // Something else sets the current attributes meanwhile.
        current.font = font("Nimbus Roman", 20, true, false);
        dialogs->fonts = {std::nullopt};
        run(handler);
        EXPECT_EQ(dialogs->fontOpenedWith.back(), font("Courier New", 12, false, true));
        EXPECT_FALSE(dialogs->eightOnly.back());
        EXPECT_EQ(current.font, font("Nimbus Roman", 12, false, true));  // the face stays after a cancel
    }
    EXPECT_EQ(window().appearance().userFont, font("Courier New", 12, false, true));
    EXPECT_EQ(window().appearance().cpuFont, font("Courier New", 12, false, true));
}

TEST_F(SettingsTest, TheInputFontItemOffersEightOnlyAndNeverChangesTheLinesSize) {
    window();
    ASSERT_EQ(edit1()->font().pointSize(), 8);
    dialogs->fonts = {font("Courier New", 8, true, true)};
    run("Mystring1Click");
    EXPECT_TRUE(dialogs->eightOnly.back());
    EXPECT_EQ(edit1()->font().family(), "Courier New");
    EXPECT_TRUE(edit1()->font().bold());
    EXPECT_TRUE(edit1()->font().italic());
    EXPECT_EQ(edit1()->font().pointSize(), 8);
    EXPECT_EQ(window().appearance().inputFont, font("Courier New", 8, true, true));
}

TEST_F(SettingsTest, ACancelledInputFontItemAfterARestoreTakesTheBoldAway) {
    run("N13Click");
    ASSERT_TRUE(edit1()->font().bold());
    dialogs->fonts = {std::nullopt};
    run("Mystring1Click");
    EXPECT_FALSE(edit1()->font().bold());
    EXPECT_FALSE(defaultsChecked());
    // Unless bold was chosen there before.
    dialogs->fonts = {font(kDefaultFace, 8, true)};
    run("Mystring1Click");
    run("N13Click");
    dialogs->fonts = {std::nullopt};
    run("Mystring1Click");
    EXPECT_TRUE(edit1()->font().bold());
}

TEST_F(SettingsTest, AnInputFaceSurvivesARestoreButAUserFaceDoesNot) {
    dialogs->fonts = {font("Courier New", 8), font("Courier New", 10)};
    run("Mystring1Click");
    run("User2Click");
    run("N13Click");
    EXPECT_EQ(edit1()->font().family(), "Courier New");
    say(QStringLiteral("привет"));
    ASSERT_GE(view()->lineCount(), 1);
    EXPECT_EQ(view()->lineFormat(0).fontFamilies().toStringList(), QStringList{kDefaultFace});
    EXPECT_EQ(view()->lineFormat(0).fontPointSize(), 8);
}

TEST(StandardFontDialog, OffersFaceSizeAndStyleOnlyAndForTheInputSizeEight) {
    QFontDialog dialog;
    StandardAppearanceDialogs::prepareFontDialog(dialog, font(kDefaultFace, 8, false, true), true);
    int effects = 0;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (group->findChildren<QCheckBox*>().isEmpty()) continue;
        ++effects;
        EXPECT_TRUE(group->isHidden());
    }
    EXPECT_EQ(effects, 1);
    const QList<QComboBox*> filters = dialog.findChildren<QComboBox*>();
    EXPECT_FALSE(filters.isEmpty());
    for (QComboBox* combo : filters) EXPECT_TRUE(combo->isHidden());
    int sizeFields = 0;
    for (QLineEdit* field : dialog.findChildren<QLineEdit*>()) {
        if (!qobject_cast<const QIntValidator*>(field->validator())) continue;
        ++sizeFields;
        EXPECT_TRUE(field->isReadOnly());
        EXPECT_EQ(field->text(), "8");
    }
    EXPECT_EQ(sizeFields, 1);
    // The sample stays readable though the effects beside it are gone.
    dialog.show();
    int samples = 0;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        for (QLineEdit* sample : group->findChildren<QLineEdit*>()) {
            ++samples;
            EXPECT_FALSE(group->isHidden());
            EXPECT_GE(sample->height(), sample->fontMetrics().height());
        }
    }
    EXPECT_EQ(samples, 1);
    QFont other = dialog.currentFont();
    other.setPointSize(14);
    dialog.setCurrentFont(other);
    const FontSpec chosen =
        StandardAppearanceDialogs::chosenFont(dialog, font(kDefaultFace, 8, false, true), true);
    EXPECT_EQ(chosen.size, 8);
    EXPECT_TRUE(chosen.italic);
    // The installed face shown for ours is no choice of another face.
    EXPECT_EQ(chosen.face, kDefaultFace);
}

// ---- Full screen ---------------------------------------------------------------------

class FullScreenTest : public SettingsTest {
protected:
    MainLayout layout() {
        auto frame = [this](const char* name) { return window().findChild<QFrame*>(name)->geometry(); };
        return {frame("TabControl1").width(),
                frame("TabControl1").height(),
                view()->width(),
                view()->height(),
                frame("TabControl2").width(),
                frame("TabControl2").y(),
                button("SpeedButton1")->x(),
                button("SpeedButton3")->x(),
                button("SpeedButton2")->x(),
                edit1()->width()};
    }
    QSize outer{1032, 776};
};

TEST_F(FullScreenTest, ToggleLaysOutForTheMaximisedOuterSizeAndReturnsToTheFixedValues) {
    window().setOuterSizeSource([this] { return outer; });
    const QSize fixed = window().size();
    ASSERT_EQ(window().minimumSize(), window().maximumSize());
    QAction* n40 = item("N40");
    EXPECT_EQ(n40->text(), "&Full Screen");

    run("N40Click");
    EXPECT_EQ(n40->text(), "Normal");
    EXPECT_TRUE(n40->isChecked());
    EXPECT_TRUE(window().windowState() & Qt::WindowMaximized);
    EXPECT_NE(window().minimumSize(), window().maximumSize());  // the fixed size is lifted
    EXPECT_EQ(layout(), (MainLayout{1028, 678, 1021, 668, 1027, 677, 939, 896, 869, 865}));
    EXPECT_EQ(button("SpeedButton1")->y(), 5);
    EXPECT_EQ(edit1()->x(), 3);

    run("N40Click");
    EXPECT_EQ(n40->text(), "Full Screen");
    EXPECT_FALSE(n40->isChecked());
    EXPECT_FALSE(window().windowState() & Qt::WindowMaximized);
    EXPECT_EQ(layout(), (MainLayout{588, 313, 581, 305, 585, 312, 496, 453, 426, 422}));
    EXPECT_EQ(window().minimumSize(), fixed);
    EXPECT_EQ(window().maximumSize(), fixed);
}

TEST_F(FullScreenTest, TheLayoutFollowsAMaximisedSizeThatArrivesLate) {
    window().setOuterSizeSource([this] { return outer; });
    run("N40Click");
    outer = QSize(1280, 1000);
    QResizeEvent late(QSize(1270, 950), window().size());
    QApplication::sendEvent(&window(), &late);
    EXPECT_EQ(layout(), (MainLayout{1276, 902, 1269, 892, 1275, 901, 1187, 1144, 1117, 1113}));
    run("N40Click");
    // Back in the normal state a resize changes nothing.
    QApplication::sendEvent(&window(), &late);
    EXPECT_EQ(layout(), (MainLayout{588, 313, 581, 305, 585, 312, 496, 453, 426, 422}));
}

// ---- Knowledge statistics --------------------------------------------------------------

TEST_F(SettingsTest, StatisticsAppendTheCountsOnceAndStopTheirTimer) {
    for (const char* name : {"BigString", "Pause", "Povtor", "W1", "W2", "X"}) {
        dir.write(std::string("Base/") + name + ".Dat", plainFile({"Первая.", "Вторая."}));
    }
    dir.write("Base/Words.Dat",
              plainFile({"Заголовок;", "ПРИВЕТ^Привет!;Здравствуй.;", "ПОКА^До свидания.;"}));
    window();
    EXPECT_TRUE(timer("Timer8")->isActive());
    EXPECT_EQ(timer("Timer8")->interval(), 1000);
    call("Timer8Timer");
    EXPECT_EQ(statisticsCaptions(),
              (QStringList{"&Входящие выражения: [2]", "&Исходящие выражения: [15]", "&Итого: [17]"}));
    EXPECT_FALSE(timer("Timer8")->isActive());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SettingsTest, AMissingStatisticsFileIsShownOnceAndTheCaptionsStayWithoutCounts) {
    window();  // the knowledge base is read when the window is built
    removeFile("Base/W2.Dat");
    call("Timer8Timer");
    EXPECT_EQ(messages, QStringList{"Cannot open file Base\\W2.Dat"});
    EXPECT_EQ(statisticsCaptions(),
              (QStringList{"&Входящие выражения:", "&Исходящие выражения:", "&Итого:"}));
    EXPECT_FALSE(timer("Timer8")->isActive());
}

// ---- Editor and About -------------------------------------------------------------------

TEST_F(SettingsTest, TheEditorOpensFromN38WithTheMainWindowDisabledAndPollingStopped) {
    TForm2* editor = window().editorWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->isVisible());
    run("N38Click");
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(editor->isEnabled());
    EXPECT_FALSE(window().isEnabled());
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_TRUE(timer("Timer2")->isActive());  // the idle remarks go on
    // The Cpu\Cpu tick reads the fields while the editor is open.
    editorPathField()->setText(QStringLiteral("Base\\Other.Dat"));
    editorIntervalField()->setValue(2500);
    EXPECT_EQ(window().editorPath(), "Base\\Other.Dat");
    EXPECT_EQ(window().editorInterval(), 2500);
    editor->findChild<QPushButton*>("Button1")->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(window().isEnabled());
    EXPECT_TRUE(timer("Timer1")->isActive());
}

TEST_F(SettingsTest, EverySecondaryWindowOpensModalOverTheMainWindowWithItsPollingSuspended) {
    struct Row {
        const char* item;
        std::function<QWidget*()> opened;
        std::function<void()> close;
    };
    TForm1& main = window();
    const std::vector<Row> rows = {
        {"N38", [&] { return main.editorWindow(); },
         [&] { main.editorWindow()->findChild<QPushButton*>("Button1")->click(); }},
        {"N12", [&] { return main.aboutWindow(); },
         [&] { main.aboutWindow()->findChild<QPushButton*>("Button2")->click(); }},
        {"N22", [&] { return main.createVirtualKeyboard(); },
         [&] { main.createVirtualKeyboard()->findChild<QAction*>("N2")->trigger(); }},
    };
    main.show();
    QWidget* opened = nullptr;
    EnabledProbe probe(&main, [&] {
        return QStringLiteral("polling=%1 shown=%2").arg(timer("Timer1")->isActive()).arg(opened->isVisible());
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        opened = row.opened();
        item(row.item)->trigger();
        EXPECT_TRUE(opened->isVisible());
        EXPECT_TRUE(opened->isEnabled());
        EXPECT_EQ(opened->parentWidget(), &main);
        EXPECT_EQ(QGuiApplication::modalWindow(), opened->windowHandle());
        row.close();
        EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    }
    // The polling never ticks while the main window is disabled.
    const QStringList once = {"disabled polling=0 shown=0", "enabled polling=1 shown=1"};
    EXPECT_EQ(probe.log, once + once + once);
}

TEST_F(SettingsTest, TheAboutWindowOpensShortFoldsOutAndInAndReopensShort) {
    dir.write("ReadMe.Txt", plainFile({"Версия 2.1.5.6", "Первая строка истории"}));
    TForm3* about = window().aboutWindow();
    ASSERT_NE(about, nullptr);
    run("N12Click");
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(window().isEnabled());
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_EQ(about->outerHeight(), 179);
    QPushButton* history = about->findChild<QPushButton*>("Button1");
    const auto* view = about->findChild<QPlainTextEdit*>("Memo1");
    std::vector<int> heights;
    for (int press = 0; press < 3; ++press) {
        history->click();
        heights.push_back(about->outerHeight());
    }
    EXPECT_EQ(heights, (std::vector<int>{327, 179, 327}));
    EXPECT_TRUE(view->toPlainText().contains(QStringLiteral("Первая строка истории")));
    about->findChild<QPushButton*>("Button2")->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(window().isEnabled());
    EXPECT_TRUE(timer("Timer1")->isActive());

    run("N12Click");
    EXPECT_EQ(about->outerHeight(), 179);
    EXPECT_TRUE(view->toPlainText().contains(QStringLiteral("Первая строка истории")));
    about->findChild<QPushButton*>("Button2")->click();
}

}  // namespace
}  // namespace test
}  // namespace cpuchat
