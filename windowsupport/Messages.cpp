#include "Messages.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace cpuchat {

namespace {

MessageHandler& currentHandler() {
    static MessageHandler handler;
    return handler;
}

}  // namespace

void showMessage(QWidget* parent, const QString& text) {
    if (const MessageHandler& handler = currentHandler()) {
        handler(parent, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

MessageHandler setMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

}  // namespace cpuchat
