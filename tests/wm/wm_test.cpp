// The windows on a desktop with a window manager (openbox on Xvfb): closing by the
// window manager, activation of the opened windows, how the disabled main window
// looks on screen, full screen and back, and the shake at start-up. Every wait is for
// a condition, bounded by kSettleMs; a run on an idle machine takes about a second.

#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "Desktop.h"
#include "DialogueView.h"
#include "FullScreen.h"
#include "PanelStatusBar.h"
#include "UiFixture.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

namespace cpuchat::test {
namespace {

// Generous on a machine whose cores are all busy; the waits usually end within milliseconds.
constexpr int kSettleMs = 60000;

bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kSettleMs); }

xcb_connection_t* x11Connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_window_t rootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

/// The frame's margins as the window manager tells them now. The widget's own copy
/// (behind frameGeometry(), x(), y() and move()) is renewed only when the window moves
/// or is resized, and the window manager may tell the margins later than that.
QPoint frameOffset(const QWidget& window) {
    const QMargins margins = window.windowHandle()->frameMargins();
    return {margins.left(), margins.top()};
}

QRect frameOf(const QWidget& window) {
    return window.geometry().marginsAdded(window.windowHandle()->frameMargins());
}

/// The client area's corner where the X server has it: where the window manager has
/// put the window after the requests to move it that it has carried out so far.
QPoint serverPlace(const QWidget& window) {
    xcb_connection_t* connection = x11Connection();
    xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(
        connection,
        xcb_translate_coordinates(connection, static_cast<xcb_window_t>(window.winId()),
                                  rootWindow(connection), 0, 0),
        nullptr);
    const QPoint place = reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
    std::free(reply);
    return place;
}

/// True once the frame's corner is at `frameTopLeft` for the X server and for the
/// widget alike: the widget's geometry reads a requested place at once, and the news
/// of earlier moves may still be on its way.
bool settledAt(const QWidget& window, const QPoint& frameTopLeft) {
    const QPoint client = frameTopLeft + frameOffset(window);
    return window.geometry().topLeft() == client && serverPlace(window) == client;
}

std::string text(const QPoint& point) { return std::to_string(point.x()) + "," + std::to_string(point.y()); }

/// What the window manager does for its close box: it asks the window to close
/// (_NET_CLOSE_WINDOW, as a pager or the user would).
void closeByWindowManager(QWidget& window) {
    xcb_connection_t* connection = x11Connection();
    const char name[] = "_NET_CLOSE_WINDOW";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    ASSERT_NE(atom, nullptr);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window.winId());
    event.type = atom->atom;
    event.data.data32[0] = XCB_CURRENT_TIME;
    event.data.data32[1] = 2;  // from the user
    std::free(atom);
    xcb_send_event(connection, 0, rootWindow(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

/// Runs the event loop as the program entry does, the main window's closing quitting
/// it, with `action` as its first event: true when the loop ends (the program would end).
bool programEnds(TForm1& form, const std::function<void()>& action) {
    const QMetaObject::Connection quit =
        QObject::connect(&form, &TForm1::closed, qApp, &QCoreApplication::quit);
    QTimer::singleShot(0, &form, action);
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    giveUp.start(kSettleMs);
    const bool ended = QApplication::exec() == 0;
    QObject::disconnect(quit);
    return ended;
}

/// The darkest grey on screen within `area` (global coordinates).
int darkest(const QRect& area) {
    const QImage image = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    int dark = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) dark = std::min(dark, qGray(image.pixel(x, y)));
    }
    return dark;
}

QRect onScreen(const QWidget* widget) { return {widget->mapToGlobal(QPoint(0, 0)), widget->size()}; }

/// The frame's top-left corner when it is centred on the desktop.
QPoint centred(const QWidget& window) {
    QRect frame = frameOf(window);
    frame.moveCenter(window.screen()->availableGeometry().center());
    return frame.topLeft();
}

/// The main window recording where its client area went at every move.
class PlacesRecordingForm : public TForm1 {
public:
    using TForm1::TForm1;
    std::vector<QPoint> clientPlaces;

protected:
    void moveWindowTo(const QPoint& frameTopLeft) override {
        TForm1::moveWindowTo(frameTopLeft);
        clientPlaces.push_back(geometry().topLeft());
    }
};

class WindowManagerTest : public UiTest {
protected:
    /// A main window shown on the desktop, framed, active, done with its shake and back
    /// in the centre.
    std::unique_ptr<PlacesRecordingForm> shownForm() {
        auto window = std::make_unique<PlacesRecordingForm>(files, random, clock, sound);
        window->show();
        const QTimer* shake = window->findChild<QTimer*>("Timer7");
        EXPECT_TRUE(waitFor([&] {
            return window->isActiveWindow() && !shake->isActive() && settledAt(*window, centred(*window));
        })) << text(frameOf(*window).topLeft())
            << " " << text(serverPlace(*window));
        return window;
    }

    static QWidget* secondary(TForm1& window, const char* item) {
        if (std::string_view(item) == "N38") return window.editorWindow();
        if (std::string_view(item) == "N12") return window.aboutWindow();
        return window.createVirtualKeyboard();
    }

    static void open(TForm1& window, const char* item) {
        for (QAction* action : window.findChildren<QAction*>(item)) {
            if (!action->menu()) action->trigger();
        }
    }
};

TEST_F(WindowManagerTest, TheCloseBoxEndsTheProgramWhicheverWindowIsOpen) {
    for (const char* item : {"", "N38", "N22", "N12"}) {
        SCOPED_TRACE(item);
        const auto window = shownForm();
        QWidget* opened = *item ? secondary(*window, item) : nullptr;
        if (opened) {
            open(*window, item);
            ASSERT_TRUE(waitFor([&] { return opened->windowHandle()->isExposed(); }));
            ASSERT_FALSE(window->isEnabled());
        }
        const std::string log = dir.read("Base/Log.Lormak");
        QSignalSpy closed(window.get(), &TForm1::closed);
        EXPECT_TRUE(programEnds(*window, [&] { closeByWindowManager(*window); }));
        EXPECT_EQ(closed.count(), 1);
        for (const QWidget* top : QApplication::topLevelWidgets())
            EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
        EXPECT_EQ(dir.read("Base/Log.Lormak"), log);
    }
}

TEST_F(WindowManagerTest, EveryOpenedWindowTakesTheKeys) {
    const auto window = shownForm();
    for (const char* item : {"N38", "N22", "N12"}) {
        SCOPED_TRACE(item);
        QWidget* opened = secondary(*window, item);
        open(*window, item);
        EXPECT_TRUE(waitFor([&] { return opened->isActiveWindow(); }));
        if (auto* editor = qobject_cast<TForm2*>(opened)) {
            // The focus timer moves into the interval field; digits typed replace its text.
            random.script = {2};
            ASSERT_TRUE(QMetaObject::invokeMethod(editor, "Timer1Timer", Qt::DirectConnection));
            const auto* interval = editor->findChild<QSpinBox*>("SpinEdit1");
            QWidget* field = QApplication::focusWidget();
            ASSERT_TRUE(field && interval->isAncestorOf(field));
            QTest::keyClicks(field, QStringLiteral("42"));
            EXPECT_EQ(interval->text(), "42");
            editor->findChild<QPushButton*>("Button2")->click();
        } else if (auto* keyboard = qobject_cast<TForm4*>(opened)) {
            keyboard->findChild<QAction*>("N2")->trigger();
        } else {
            // The outer height is the one set, with the frame openbox gives.
            const auto* about = qobject_cast<TForm3*>(opened);
            ASSERT_TRUE(about);
            EXPECT_TRUE(waitFor([&] { return frameOf(*about).height() == about->outerHeight(); }))
                << frameOf(*about).height() << " " << about->outerHeight();
            opened->findChild<QPushButton*>("Button2")->click();
        }
    }
}

TEST_F(WindowManagerTest, TheDisabledMainWindowStaysReadable) {
    const auto window = shownForm();
    auto* input = window->findChild<QLineEdit*>("Edit1");
    input->setText(QStringLiteral("ЖЖЖЖЖЖЖЖ"));
    const auto* status = window->findChild<PanelStatusBar*>("StatusBar1");
    open(*window, "N22");
    ASSERT_FALSE(window->isEnabled());
    // Dark text on silver; the style's own disabled grey is all but silver.
    std::vector<QRect> texts = {onScreen(input)};
    for (int panel = 0; panel < status->panelCount(); ++panel) {
        texts.emplace_back(status->mapToGlobal(status->panelRect(panel).topLeft()),
                           status->panelRect(panel).size());
    }
    for (const QRect& text : texts) {
        EXPECT_TRUE(waitFor([&] { return darkest(text) < 100; })) << darkest(text);
    }
    window->findChild<TForm4*>("Form4")->findChild<QAction*>("N2")->trigger();
}

TEST_F(WindowManagerTest, FullScreenFillsTheDesktopAndNormalReturnsWhereTheWindowWas) {
    const auto window = shownForm();
    const QPoint place(200, 150);
    window->setGeometry(QRect(place + frameOffset(*window), window->size()));
    ASSERT_TRUE(waitFor([&] { return settledAt(*window, place); }))
        << text(frameOf(*window).topLeft()) << " " << text(serverPlace(*window));
    const QRect before = frameOf(*window);
    const QSize desktop = window->screen()->availableGeometry().size();
    const MainLayout full = fullScreenLayout(desktop.width(), desktop.height());
    const auto* upper = window->findChild<QFrame*>("TabControl1");
    const auto* input = window->findChild<QLineEdit*>("Edit1");
    auto size = [](const QWidget* w) {
        return std::to_string(w->width()) + "x" + std::to_string(w->height());
    };
    // The window manager's last word on the frame comes at its own pace: a few rounds.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        open(*window, "N40");
        EXPECT_TRUE(waitFor([&] {
            return window->windowHandle()->frameGeometry().size() == desktop &&
                   upper->size() == QSize(full.upperFrameWidth, full.upperFrameHeight) &&
                   input->width() == full.inputWidth;
        })) << size(upper);
        open(*window, "N40");
        // The same frame: no resize handle stays on the fixed window.
        EXPECT_TRUE(waitFor([&] { return window->windowHandle()->frameGeometry() == before; }))
            << text(window->windowHandle()->frameGeometry().topLeft()) << " " << size(window.get());
        EXPECT_EQ(upper->size(), QSize(588, 313));
    }
}

TEST_F(WindowManagerTest, TheFirstShakeLandsNearTheCornerAndEndsCentred) {
    for (int jumps = 0; jumps < 125; ++jumps) random.script.insert(random.script.end(), {105, 95});
    random.script.push_front(125);
    const auto window = shownForm();
    // Each jump placed the client area where the window manager's frame puts it: after
    // the centring on showing, top then left per jump, then the centring.
    const QPoint frame = frameOffset(*window);
    const std::vector<QPoint>& places = window->clientPlaces;
    ASSERT_EQ(places.size(), 1u + 2u * 125 + 1u);
    for (std::size_t i = 2; i < places.size() - 1; i += 2)
        EXPECT_EQ(text(places[i] - frame), text(QPoint(105, 95))) << i;
    EXPECT_EQ(text(places.back() - frame), text(centred(*window)));
    // shownForm() waited until the window manager had it back there.
}

}  // namespace
}  // namespace cpuchat::test
