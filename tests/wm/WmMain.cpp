// Entry of the window-manager tests: a private desktop (Xvfb with openbox), one
// QApplication on it over the X11 platform, and every test run there.
#include <gtest/gtest.h>

#include <QApplication>
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
    // The desktop's window manager already frames windows.
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
