#include "SecondaryWindow.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "EnabledProbe.h"
#include "StubMainWindow.h"

namespace cpuchat::test {
namespace {

// A secondary window with a timer that runs while it is open.
class Window : public SecondaryWindow {
public:
    explicit Window(PolledWindow& owner) : SecondaryWindow(owner, Qt::Tool) {
        setFixedSize(200, 100);
        runWhileOpen(timer);
    }
    using SecondaryWindow::dismiss;
    QTimer* timer = new QTimer(this);
    int preparations = 0;

protected:
    void prepareToOpen() override { ++preparations; }
};

class SecondaryWindowTest : public testing::Test {
protected:
    SecondaryWindowTest() {
        main.resize(400, 300);
        main.show();
    }
    StubMainWindow main;
    Window* window = new Window(main);
};

TEST_F(SecondaryWindowTest, IsAHiddenModalChildOfTheMainWindowInTheSmallFont) {
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), &main);
    EXPECT_EQ(window->windowModality(), Qt::WindowModal);
    EXPECT_EQ(window->font().pixelSize(), 11);
    window->open();
    EXPECT_EQ(window->windowHandle()->transientParent(), main.windowHandle());
    EXPECT_EQ(QGuiApplication::modalWindow(), window->windowHandle()) << "the main window waits for it";
    window->dismiss();
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
}

TEST_F(SecondaryWindowTest, OpensAndClosesInTheirOrdersAndStaysUsableOverTheDisabledMainWindow) {
    EnabledProbe probe(&main, [&] {
        return QStringLiteral("polling=%1 timer=%2 visible=%3 prepared=%4")
            .arg(main.polling->isActive())
            .arg(window->timer->isActive())
            .arg(window->isVisible())
            .arg(window->preparations);
    });
    for (int round = 0; round < 2; ++round) {
        window->open();
        // Disabling the main window disables its child windows too: this one is enabled again.
        EXPECT_FALSE(main.isEnabled());
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->isEnabled());
        EXPECT_TRUE(window->timer->isActive());
        EXPECT_FALSE(window->close()) << "only its own buttons close it";
        window->dismiss();
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(window->timer->isActive());
    }
    EXPECT_EQ(probe.log, (QStringList{
                             "disabled polling=0 timer=0 visible=0 prepared=1",
                             "enabled polling=1 timer=0 visible=1 prepared=1",
                             "disabled polling=0 timer=0 visible=0 prepared=2",
                             "enabled polling=1 timer=0 visible=1 prepared=2",
                         }));
}

TEST_F(SecondaryWindowTest, OpensCentredTheFirstTimeAndLaterWhereItWasLeft) {
    window->open();
    // Centred by its own size (the frame's margins aside).
    EXPECT_EQ(window->pos() + window->rect().center(), main.screen()->availableGeometry().center());
    window->move(window->pos() + QPoint(30, 20));
    const QPoint moved = window->pos();
    window->dismiss();
    window->open();
    EXPECT_EQ(window->pos(), moved);
    window->dismiss();
}

}  // namespace
}  // namespace cpuchat::test
