// Entry of the window-manager tests: a private desktop (Xvfb with openbox), one
// QApplication on it over the X11 platform, and every test run there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "Desktop.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::optional<cpuchat::test::Desktop> desktop;
    try {
        desktop.emplace();
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "No desktop for the window-manager tests: %s\n", error.what());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    {
        // The window manager is ready once it frames a window.
        QWidget probe;
        probe.resize(100, 100);
        probe.show();
        if (!QTest::qWaitFor([&] { return !probe.windowHandle()->frameMargins().isNull(); }, 20000)) {
            std::fprintf(stderr, "openbox did not frame a window\n");
            return 1;
        }
    }
    return RUN_ALL_TESTS();
}
