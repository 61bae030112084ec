#include "X11Watch.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#ifdef CPU_CHAT_X11
#include <xcb/xcb.h>
#endif

namespace cpuchat {

namespace {

#ifdef CPU_CHAT_X11
xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

std::uint32_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const std::uint32_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}
#endif

}  // namespace

X11Watch::X11Watch(QWidget* window, Event event, std::function<void()> handler)
    : m_window(window), m_event(event), m_handler(std::move(handler)) {
#ifdef CPU_CHAT_X11
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;  // not on X11: nothing to watch
    if (m_event == Event::CloseRequest) {
        m_protocols = atom(connection, "WM_PROTOCOLS");
        m_deleteWindow = atom(connection, "WM_DELETE_WINDOW");
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
#endif
}

bool X11Watch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
#ifdef CPU_CHAT_X11
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto window = static_cast<xcb_window_t>(m_window->internalWinId());
    switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY:
            if (m_event != Event::PropertyChange ||
                reinterpret_cast<const xcb_property_notify_event_t*>(event)->window != window) {
                return false;
            }
            QTimer::singleShot(0, m_window, m_handler);
            return false;  // Qt takes note of the property too
        case XCB_CLIENT_MESSAGE: {
            const auto* request = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (m_event != Event::CloseRequest || request->window != window || request->format != 32 ||
                request->type != m_protocols || request->data.data32[0] != m_deleteWindow) {
                return false;
            }
            QTimer::singleShot(0, m_window, m_handler);
            return true;
        }
        default:
            return false;
    }
#else
    Q_UNUSED(type);
    Q_UNUSED(message);
    return false;
#endif
}

}  // namespace cpuchat
