#pragma once
// A main window for the tests of a secondary window alone: a plain widget whose UI polling
// is a timer (ticking every millisecond, as the program asks of its polling), stopped and
// restarted as the secondary window asks.

#include <QTimer>
#include <QWidget>

#include "SecondaryWindow.h"

namespace cpuchat::test {

class StubMainWindow : public QWidget, public PolledWindow {
public:
    StubMainWindow() {
        polling->setInterval(1);
        polling->start();
    }
    QWidget* asWidget() override { return this; }
    void suspendPolling() override { polling->stop(); }
    void resumePolling() override { polling->start(); }

    QTimer* polling = new QTimer(this);
};

}  // namespace cpuchat::test
