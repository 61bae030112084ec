#pragma once
// X11 events of one window that Qt does not pass on to the widget. Elsewhere (another
// platform, a build without the X11 headers) a watch is inert.

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>

class QWidget;

namespace cpuchat {

class X11Watch : public QAbstractNativeEventFilter {
public:
    enum class Event {
        /// A property of the window changed. A window manager tells the size of the frame
        /// in one, at times only after the configure that maximised the window, and the
        /// widget gets no event for it.
        PropertyChange,
        /// The window manager asks the window to close (its close box). Qt drops such a
        /// request while a modal window blocks the window; the watch takes it from Qt.
        CloseRequest,
    };

    /// Calls `handler` for each such event of `window`, queued: Qt has taken note of the
    /// event's news by then. The watch lives no longer than `window`.
    X11Watch(QWidget* window, Event event, std::function<void()> handler);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    QWidget* m_window;
    Event m_event;
    std::function<void()> m_handler;
    std::uint32_t m_protocols = 0;  // the atoms of a close request
    std::uint32_t m_deleteWindow = 0;
};

}  // namespace cpuchat
