// The windows on a Wayland compositor (weston, headless), natively and through XWayland:
// full screen and back, a maximise asked through the window's own title bar, the
// virtual keyboard maximised and then used, the full-screen layout within the client
// area, and a minimised secondary window. A protocol error ends the whole process, so
// each case runs as a program of its own against the one compositor; it passes when it
// is still running at its end, its layout fits and its session log is untouched. Every
// wait is for a condition, bounded by kSettleMs.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

#include "Compositor.h"
#include "FullScreen.h"
#include "UiFixture.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

namespace cpuchat::test {
namespace {

constexpr int kSettleMs = 30000;
const char kLog[] = "Base/Log.Lormak";
const char kEarlierSession[] = "USER:     привет\r\nCPU:     Привет!\r\n";

// ---- In the case's own program ------------------------------------------------------------

/// Why a case failed; empty while it holds.
using Failure = QString;

bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kSettleMs); }

/// The window system has taken every request so far: a protocol error ends the
/// program here.
void roundTrip(QWidget& window) {
    window.repaint();
    QGuiApplication::sync();
    QGuiApplication::sync();
}

template <typename T>
T* child(QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

void trigger(QWidget& window, const char* item) {
    for (QAction* action : window.findChildren<QAction*>(QString::fromLatin1(item))) {
        if (!action->menu()) action->trigger();
    }
}

/// The lower frame, with the input line and the buttons, lies within the client area
/// above the status bar, and the upper frame above it.
bool layoutFits(TForm1& form) {
    const QWidget* client = form.centralWidget();
    const QRect lower = child<QFrame>(form, "TabControl2")->geometry();
    const QRect upper = child<QFrame>(form, "TabControl1")->geometry();
    const QWidget* status = child<QStatusBar>(form, "StatusBar1");
    const QRect send = child<QToolButton>(form, "SpeedButton1")->geometry();
    return lower.x() + lower.width() <= client->width() && lower.y() + lower.height() <= status->y() &&
           status->y() + status->height() == client->height() &&
           upper.y() + upper.height() <= lower.y() + 1 && send.x() + send.width() <= lower.width();
}

/// What a failure reports of the main window.
QString describe(TForm1& form) {
    const QRect lower = child<QFrame>(form, "TabControl2")->geometry();
    return QStringLiteral("states %1, client %2x%3, lower frame %4x%5 down to %6, status bar from %7")
        .arg(int(form.windowHandle()->windowStates()))
        .arg(form.centralWidget()->width())
        .arg(form.centralWidget()->height())
        .arg(lower.width())
        .arg(lower.height())
        .arg(lower.y() + lower.height())
        .arg(child<QStatusBar>(form, "StatusBar1")->y());
}

/// In full screen: the controls stretched over a client area larger than the normal one.
bool fullScreenSettled(TForm1& form) {
    const QWidget* client = form.centralWidget();
    return child<QAction>(form, "N40")->isChecked() && client->width() > kMainClientWidth &&
           client->height() > kMainClientHeight &&
           child<QFrame>(form, "TabControl1")->height() > normalLayout().upperFrameHeight && layoutFits(form);
}

/// A window of a fixed size, at that size, in the normal state.
bool fixedAndNormal(QWidget& window, QSize fixed) {
    return !(window.windowHandle()->windowStates() & (Qt::WindowMaximized | Qt::WindowFullScreen)) &&
           window.minimumSize() == fixed && window.maximumSize() == fixed && window.size() == fixed;
}

bool mainNormal(TForm1& form, QSize fixed) {
    return !child<QAction>(form, "N40")->isChecked() && fixedAndNormal(form, fixed) &&
           child<QFrame>(form, "TabControl1")->size() == QSize(588, 313) && layoutFits(form);
}

/// Remembers the states asked of a window and those the window system reported for it.
class StatesSeen : public QObject {
public:
    explicit StatesSeen(QWidget& window) : m_handle(window.windowHandle()) {
        m_handle->installEventFilter(this);
        connect(m_handle, &QWindow::windowStateChanged, this,
                [this] { m_asked |= m_handle->windowStates(); });
    }
    ~StatesSeen() override { m_handle->removeEventFilter(this); }
    bool asked(Qt::WindowState state) const { return m_asked & state; }
    bool reported(Qt::WindowState state) const { return m_reported & state; }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange && event->spontaneous())
            m_reported |= m_handle->windowStates();
        return false;
    }

private:
    QWindow* m_handle;
    Qt::WindowStates m_asked;
    Qt::WindowStates m_reported;
};

/// A secondary window opened from `item`, shown, a child of the main window.
Failure openSecondary(TForm1& form, QWidget& window, const char* item) {
    trigger(form, item);
    if (!waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }))
        return QStringLiteral("%1 is not shown").arg(window.objectName());
    if (window.windowHandle()->transientParent() != form.windowHandle())
        return QStringLiteral("%1 is not a child of the main window").arg(window.objectName());
    if (form.isEnabled())
        return QStringLiteral("the main window takes input behind %1").arg(window.objectName());
    return {};
}

/// The title bar's maximise on a fixed-size secondary window is refused: the window is
/// maximised for a moment at most and comes back at its size.
Failure maximiseIsRefused(TForm1& form, QWidget& window, const char* item) {
    if (Failure failed = openSecondary(form, window, item); !failed.isEmpty()) return failed;
    const QSize fixed = window.size();
    if (window.minimumSize() != fixed || window.maximumSize() != fixed)
        return QStringLiteral("%1 is not fixed-size").arg(window.objectName());
    StatesSeen states(window);
    window.windowHandle()->setWindowStates(Qt::WindowMaximized);
    // The About window keeps its outer height; its top frame stays whole whatever the frame.
    const int least = qobject_cast<TForm3*>(&window) ? TForm3::kTopFrameHeight : fixed.height();
    if (!waitFor([&] {
            return states.reported(Qt::WindowMaximized) && fixedAndNormal(window, window.minimumSize()) &&
                   window.width() == fixed.width() && window.height() >= least;
        }))
        return QStringLiteral("%1 stays maximised or loses its size: %2x%3")
            .arg(window.objectName())
            .arg(window.width())
            .arg(window.height());
    roundTrip(window);
    return {};
}

Failure fullScreenAndNormal(TForm1& form) {
    const QSize fixed = form.size();
    for (int round = 0; round < 2; ++round) {
        trigger(form, "N40");
        if (!waitFor([&] { return fullScreenSettled(form); }))
            return QStringLiteral("no full screen in round %1: ").arg(round) + describe(form);
        roundTrip(form);
        trigger(form, "N40");
        if (!waitFor([&] { return mainNormal(form, fixed); }))
            return QStringLiteral("no return to normal: ") + describe(form);
        roundTrip(form);
    }
    return {};
}

Failure titleBarMaximise(TForm1& form) {
    const QSize fixed = form.size();
    // What the maximise button of the title bar Qt draws does.
    form.windowHandle()->setWindowStates(Qt::WindowMaximized);
    if (!waitFor([&] { return fullScreenSettled(form); }))
        return QStringLiteral("the maximise is not full screen: ") + describe(form);
    roundTrip(form);
    form.windowHandle()->setWindowStates(Qt::WindowNoState);
    if (!waitFor([&] { return mainNormal(form, fixed); }))
        return QStringLiteral("the restore is not normal: ") + describe(form);
    roundTrip(form);
    if (Failure failed = maximiseIsRefused(form, *form.editorWindow(), "N38"); !failed.isEmpty())
        return failed;
    child<QPushButton>(*form.editorWindow(), "Button2")->click();
    if (Failure failed = maximiseIsRefused(form, *form.aboutWindow(), "N12"); !failed.isEmpty())
        return failed;
    child<QPushButton>(*form.aboutWindow(), "Button2")->click();
    return waitFor([&] { return form.isEnabled(); }) ? Failure()
                                                     : QStringLiteral("the main window stays disabled");
}

Failure keyboardMaximiseThenKey(TForm1& form) {
    TForm4& keyboard = *form.findChild<TForm4*>(QStringLiteral("Form4"));
    if (Failure failed = maximiseIsRefused(form, keyboard, "N22"); !failed.isEmpty()) return failed;
    child<QToolButton>(keyboard, "SpeedButton29")->click();  // "А"
    if (child<QLineEdit>(form, "Edit1")->text() != QStringLiteral("а"))
        return QStringLiteral("the key added nothing");
    roundTrip(keyboard);
    child<QAction>(keyboard, "N2")->trigger();
    return waitFor([&] { return form.isEnabled(); }) ? Failure()
                                                     : QStringLiteral("the main window stays disabled");
}

Failure fullScreenFitsTheClientArea(TForm1& form) {
    trigger(form, "N40");
    // Settled once the window system has told the frame around the client area.
    if (!waitFor([&] { return !form.windowHandle()->frameMargins().isNull() && fullScreenSettled(form); }))
        return QStringLiteral("the layout leaves the client area: ") + describe(form);
    roundTrip(form);
    return layoutFits(form) ? Failure() : QStringLiteral("the layout leaves the client area after settling");
}

Failure minimisedEditorComesBack(TForm1& form) {
    TForm2& editor = *form.editorWindow();
    if (Failure failed = openSecondary(form, editor, "N38"); !failed.isEmpty()) return failed;
    StatesSeen states(editor);
    // What the minimise button of the title bar Qt draws does.
    editor.windowHandle()->setWindowState(Qt::WindowMinimized);
    if (!waitFor([&] {
            return states.asked(Qt::WindowMinimized) && editor.isVisible() &&
                   !(editor.windowHandle()->windowStates() & Qt::WindowMinimized) &&
                   editor.windowHandle()->isExposed() &&
                   editor.windowHandle()->transientParent() == form.windowHandle();
        })) {
        return QStringLiteral("the minimised editor does not come back");
    }
    if (form.isEnabled()) return QStringLiteral("the main window takes input behind the editor");
    roundTrip(editor);
    child<QPushButton>(editor, "Button2")->click();
    return waitFor([&] { return form.isEnabled(); }) ? Failure()
                                                     : QStringLiteral("the main window stays disabled");
}

const std::map<std::string, std::function<Failure(TForm1&)>>& cases() {
    static const std::map<std::string, std::function<Failure(TForm1&)>> all = {
        {"full-screen-and-normal", fullScreenAndNormal},
        {"title-bar-maximise", titleBarMaximise},
        {"keyboard-maximise-then-key", keyboardMaximiseThenKey},
        {"full-screen-fits-the-client-area", fullScreenFitsTheClientArea},
        {"minimised-editor-comes-back", minimisedEditorComesBack},
    };
    return all;
}

/// The case's program: the main window over `folder`, shown, then the case.
int runCase(int argc, char** argv, const std::string& name, const std::string& folder) {
    QApplication app(argc, argv);
    DiskFileSystem disk{folder};
    ScriptedRandom random;
    FakeClock clock;
    RecordingSound sound{disk};
    TForm1 form(disk, random, clock, sound);
    form.createVirtualKeyboard();
    form.show();
    const QTimer* shake = child<QTimer>(form, "Timer7");
    Failure failed;
    if (!waitFor([&] { return form.windowHandle()->isExposed() && !shake->isActive(); })) {
        failed = QStringLiteral("the main window is not shown");
    } else {
        failed = cases().at(name)(form);
    }
    if (!failed.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), qPrintable(failed));
        return 3;
    }
    roundTrip(form);
    std::printf("%s: still running\n", name.c_str());
    return 0;
}

// ---- In the test program ---------------------------------------------------------------------

Compositor* compositor = nullptr;
std::string self;

class WaylandTest : public ::testing::TestWithParam<const char*> {};

TEST_P(WaylandTest, NoCaseEndsTheProgramAndTheLayoutFits) {
    for (const auto& [name, run] : cases()) {
        SCOPED_TRACE(name);
        TempDir dir;
        writeSmallInstallation(dir);
        dir.write(kLog, w(kEarlierSession));
        QProcess program;
        program.setProcessEnvironment(compositor->clientEnvironment(QString::fromLatin1(GetParam())));
        program.start(QString::fromStdString(self), {QStringLiteral("--case"), QString::fromStdString(name),
                                                     QString::fromStdString(dir.path().string())});
        ASSERT_TRUE(program.waitForFinished(2 * kSettleMs + 10000)) << "the case hangs";
        const QString output =
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << output.toStdString();
        EXPECT_EQ(program.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("still running"))) << output.toStdString();
        EXPECT_FALSE(output.contains(QStringLiteral("Protocol error"))) << output.toStdString();
        EXPECT_EQ(dir.read(kLog), w(kEarlierSession));
    }
}

INSTANTIATE_TEST_SUITE_P(Platforms, WaylandTest, ::testing::Values("wayland", "xcb"), [](const auto& info) {
    return std::string(info.param == std::string("xcb") ? "XWayland" : "Native");
});

}  // namespace
}  // namespace cpuchat::test

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--case") {
        char* qtArgs[] = {argv[0], nullptr};
        int qtCount = 1;
        return cpuchat::test::runCase(qtCount, qtArgs, argv[2], argv[3]);
    }
    testing::InitGoogleTest(&argc, argv);
    cpuchat::test::self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::optional<cpuchat::test::Compositor> compositor;
    try {
        compositor.emplace();
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "No compositor for the Wayland tests: %s\n", error.what());
        return 1;
    }
    cpuchat::test::compositor = &*compositor;
    return RUN_ALL_TESTS();
}
