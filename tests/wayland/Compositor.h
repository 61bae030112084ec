#pragma once
// A private Wayland compositor for the Wayland tests: weston on its headless backend,
// with an XWayland server for X11 clients, in a runtime folder of its own. It ends with
// the object, or with this process.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace cpuchat::test {

class Compositor {
public:
    /// Starts weston and waits until it takes Wayland clients and names its X display.
    /// Throws std::runtime_error with the reason when it cannot.
    Compositor();
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    /// The environment of a client on `platform` ("wayland" or "xcb") there.
    QProcessEnvironment clientEnvironment(const QString& platform) const;
    /// What weston wrote to its log, for a failure's report.
    QString log() const;

private:
    QTemporaryDir m_runtime;
    QProcess m_weston;
    QString m_socket;
    QString m_display;
};

}  // namespace cpuchat::test
