// The windows as screen readers and keyboard users meet them: Qt's accessibility
// interfaces and real key events, offscreen.

#include <QAccessible>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "Accessibility.h"
#include "DialogueView.h"
#include "PanelStatusBar.h"
#include "UiFixture.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

namespace cpuchat::test {
namespace {

using AccessibilityTest = UiTest;

QAccessibleInterface* reader(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

// The controls under `iface` a screen reader reaches (not invisible) that have no name;
// containers and scroll bars need none.
void collectNameless(QAccessibleInterface* iface, QStringList& nameless) {
    static const QList<QAccessible::Role> containers = {
        QAccessible::Client,   QAccessible::Border,    QAccessible::ScrollBar, QAccessible::MenuBar,
        QAccessible::Grouping, QAccessible::Separator, QAccessible::StatusBar,
    };
    if (iface->state().invisible) return;
    if (!containers.contains(iface->role()) && iface->text(QAccessible::Name).isEmpty()) {
        nameless << iface->object()->objectName();
    }
    for (int i = 0; i < iface->childCount(); ++i) collectNameless(iface->child(i), nameless);
}

TEST_F(AccessibilityTest, EveryWindowIsNamedWithItsRoleAndNoControlItShowsLacksAName) {
    form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
    form().setStatusText(0, QString());  // an empty panel is named by what it shows
    const std::vector<std::tuple<QWidget*, QAccessible::Role, const char*>> windows = {
        {&form(), QAccessible::Window, "Разработчик: Зорвикс Лормак. v2.156"},
        {form().editorWindow(), QAccessible::Dialog, "Редактор"},
        {form().aboutWindow(), QAccessible::Dialog, "О программе"},
        {form().createVirtualKeyboard(), QAccessible::Dialog, "Виртуальная клавиатура"},
    };
    for (const auto& [window, role, name] : windows) {
        SCOPED_TRACE(name);
        if (auto* secondary = qobject_cast<SecondaryWindow*>(window)) secondary->open();
        EXPECT_EQ(reader(window)->role(), role);
        EXPECT_EQ(reader(window)->text(QAccessible::Name), QString::fromUtf8(name));
        QStringList nameless;
        collectNameless(reader(window), nameless);
        EXPECT_TRUE(nameless.isEmpty()) << nameless.join(u',').toStdString();
        window->hide();
    }
    EXPECT_EQ(reader(view())->text(QAccessible::Name), QStringLiteral("Диалог"));
    EXPECT_EQ(reader(edit1())->text(QAccessible::Name), QStringLiteral("Ваша фраза"));
    EXPECT_TRUE(reader(form().findChild<QPushButton*>("Talk"))->state().invisible);
}

TEST_F(AccessibilityTest, EachNewCpuLineIsSaidToScreenReadersAsANotification) {
    dir.write("Txt.Dat", plainFile({"Привет"}));
    form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
    auto* note = form().findChild<SpokenNote*>();
    ASSERT_EQ(reader(note)->role(), QAccessible::Notification);
    const std::vector<std::tuple<const char*, std::deque<int>, std::function<void()>, const char*>> rows = {
        {"a reply, not the user's own line", {2, 1, 2}, [this] { say("Привет"); }, "Привет!"},
        {"undo says nothing", {}, [this] { call("SpeedButton2Click"); }, nullptr},
        {"an idle remark", std::deque<int>(60, 60),
         [this] {
             for (int t = 0; t < 60; ++t) call("Timer2Timer");
         },
         "Ты здесь?"},
        {"the service line of a mode",
         {},
         [this] { call("Cpu31Click"); },
         "Сервис:   // Режим диалога Cpu\\Cpu."},
        {"in Cpu\\Cpu the source file's line too",
         {2, 1, 2},
         [this] { call("Timer6Timer"); },
         "Привет.\nПривет!"},
    };
    for (const auto& [name, script, act, said] : rows) {
        SCOPED_TRACE(name);
        note->hide();  // said again only by coming into sight again
        random.script = script;
        act();
        // Unseen, the note says nothing: a screen reader speaks it as it comes into sight.
        EXPECT_EQ(note->isVisible() ? reader(note)->text(QAccessible::Name) : QString(),
                  QString::fromUtf8(said));
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(';').toStdString();
}

TEST_F(AccessibilityTest, PagingKeysTypedInTheInputLineScrollTheDialogueUnlessTheGuardDisabledIt) {
    form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
    for (int i = 0; i < 200; ++i) view()->appendLine(QStringLiteral("Строка %1").arg(i), {});
    QScrollBar* bar = view()->verticalScrollBar();
    const int end = bar->maximum(), page = bar->pageStep();
    const std::vector<std::tuple<Qt::Key, Qt::KeyboardModifiers, int, bool>> rows = {
        {Qt::Key_PageUp, Qt::NoModifier, end - page, true},
        {Qt::Key_PageUp, Qt::NoModifier, end - 2 * page, true},
        {Qt::Key_PageDown, Qt::NoModifier, end - page, true},
        {Qt::Key_Home, Qt::ControlModifier, 0, true},
        {Qt::Key_End, Qt::ControlModifier, end, true},
        {Qt::Key_PageUp, Qt::NoModifier, end, false},
    };
    for (const auto& [key, modifiers, expected, enabled] : rows) {
        view()->setEnabled(enabled);
        QTest::keyClick(edit1(), key, modifiers);
        EXPECT_EQ(bar->value(), expected) << QKeySequence(key | modifiers).toString().toStdString();
    }
}

TEST_F(AccessibilityTest, AnAccessKeyTypedInTheOtherLayoutPicksTheItemOnTheSameKey) {
    form().setOuterSizeSource([] { return QSize(1032, 776); });
    form().show();
    const std::vector<std::tuple<const char*, const char*, Qt::KeyboardModifiers, const char*>> rows = {
        {"N5", "а", Qt::NoModifier, "N40"},       {"N37", "З", Qt::AltModifier, "Cpu31"},
        {"N37", "с", Qt::NoModifier, "CpuUser1"}, {"N37", "p", Qt::NoModifier, "Cpu31"},
        {"N1", "y", Qt::NoModifier, "N2"},        {"N5", "z", Qt::NoModifier, ""},
    };
    for (const auto& [menuName, typed, modifiers, expected] : rows) {
        SCOPED_TRACE(typed);
        auto* menu = form().findChild<QMenu*>(menuName);
        QString picked;
        for (QAction* a : menu->actions())
            QObject::connect(a, &QAction::triggered, menu, [&, a] { picked = a->objectName(); });
        menu->popup(form().mapToGlobal(QPoint(10, 10)));
        const QString text = QString::fromUtf8(typed);
        QKeyEvent press(QEvent::KeyPress, text.at(0).toUpper().unicode(), modifiers, text);
        QApplication::sendEvent(menu, &press);
        EXPECT_EQ(picked, QString::fromLatin1(expected));
        menu->hide();
        for (QAction* a : menu->actions()) QObject::disconnect(a, &QAction::triggered, menu, nullptr);
    }
}

TEST_F(AccessibilityTest, StatusPanelsHoldTheirTextWholeUnderAFontLargerThanTheLayouts) {
    form().show();
    call("Timer3Timer");  // the counts, the longest text
    auto* bar = form().findChild<PanelStatusBar*>();
    for (const int pixels : {16, 24}) {
        QFont font = form().font();
        font.setPixelSize(pixels);
        form().setFont(font);
        for (auto* panel : bar->findChildren<QLabel*>()) {
            const QFontMetrics metrics(panel->font());
            EXPECT_LE(metrics.horizontalAdvance(panel->text()),
                      panel->contentsRect().width() - panel->indent());
            EXPECT_LE(metrics.height(), panel->contentsRect().height()) << pixels;
        }
    }
    form().setFont(FontSpec{}.toQFont());  // at the layout's own size nothing is replaced
    for (auto* panel : bar->findChildren<QLabel*>()) EXPECT_FALSE(panel->testAttribute(Qt::WA_SetFont));
}

}  // namespace
}  // namespace cpuchat::test
