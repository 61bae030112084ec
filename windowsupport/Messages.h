#pragma once
// Error messages of the program go through here, so that a test can record them
// instead of blocking on a modal message box.

#include <QString>
#include <functional>

class QWidget;

namespace cpuchat {

using MessageHandler = std::function<void(QWidget* parent, const QString& text)>;

/// Shows `text` in a modal message box with an OK button (or hands it to the
/// handler a test installed). Timers keep ticking while the box is open.
void showMessage(QWidget* parent, const QString& text);

/// Replaces how messages are shown; an empty handler restores the message box.
/// Returns the handler that was in place.
MessageHandler setMessageHandler(MessageHandler handler);

}  // namespace cpuchat
