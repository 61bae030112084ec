#include "Compositor.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <stdexcept>

namespace cpuchat::test {

namespace {

constexpr int kStartMs = 30000;

}  // namespace

Compositor::Compositor() : m_socket(QStringLiteral("cpu-chat-test-%1").arg(getpid())) {
    if (!m_runtime.isValid()) throw std::runtime_error("cannot make a runtime folder");
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // XWayland's sockets live in the one folder every X server uses.
    QDir().mkpath(QStringLiteral("/tmp/.X11-unix"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("DISPLAY"));
    m_weston.setProcessEnvironment(environment);
    m_weston.setProcessChannelMode(QProcess::MergedChannels);
    m_weston.setStandardOutputFile(QProcess::nullDevice());
    m_weston.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_weston.start(QStringLiteral("weston"),
                   {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--no-config"),
                    QStringLiteral("--xwayland"), QStringLiteral("--width=1280"),
                    QStringLiteral("--height=800"), QStringLiteral("--socket=") + m_socket,
                    QStringLiteral("--log=") + m_runtime.filePath("weston.log")});
    if (!m_weston.waitForStarted(kStartMs))
        throw std::runtime_error("cannot start weston (is it installed?)");
    // Ready once its socket takes clients and its log names the X display.
    const QRegularExpression display(QStringLiteral("xserver listening on display (:\\d+)"));
    const QDeadlineTimer deadline(kStartMs);
    while (m_display.isEmpty() || !QFileInfo::exists(m_runtime.filePath(m_socket))) {
        if (deadline.hasExpired() || m_weston.state() != QProcess::Running) {
            throw std::runtime_error("weston did not start: " + log().toStdString());
        }
        const QRegularExpressionMatch found = display.match(log());
        if (found.hasMatch()) m_display = found.captured(1);
        m_weston.waitForFinished(50);  // a bounded pause while weston starts
    }
}

Compositor::~Compositor() {
    m_weston.terminate();
    if (!m_weston.waitForFinished(kStartMs)) m_weston.kill();
    m_weston.waitForFinished();
}

QProcessEnvironment Compositor::clientEnvironment(const QString& platform) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    // The desktop's own scaling and theme stay out of the test.
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORMTHEME",
                             "QT_WAYLAND_DISABLE_WINDOWDECORATION"}) {
        environment.remove(QString::fromLatin1(name));
    }
    return environment;
}

QString Compositor::log() const {
    QFile file(m_runtime.filePath(QStringLiteral("weston.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace cpuchat::test
