#pragma once
// The input aids as the main window uses them on its input line (a QLineEdit): the
// layout conversion behind "E/R" and Ctrl+S, and one tick of the input guard.

#include <QString>

#include "InputGuard.h"

class QLineEdit;
class QWidget;

namespace cpuchat {

/// The layout conversion applied to a QString. Characters outside the code page are kept
/// as they are (the table maps only ASCII characters).
QString convertLayout(const QString& text);

/// The character the same key gives in the other layout ("а" and "f"), or `c` itself; see
/// the Windows-1251 otherLayoutChar().
QChar otherLayoutChar(QChar c);

/// Converts the input line in place. The text is written back only when it changed, so
/// the line's textChanged (the key sound) fires only then. Returns whether it changed.
/// The caller plays its own sound first: that one plays on every activation.
bool applyLayoutConversion(QLineEdit* inputLine);

/// One tick of the input guard over the input line. On a hit it disables the dialogue
/// view and clears the input line (which fires textChanged) and returns true.
bool runInputGuard(InputGuard& guard, QLineEdit* inputLine, QWidget* dialogueView);

/// True while the guard's timer may rest: see InputGuard::idle().
bool inputGuardIdle(const InputGuard& guard, const QLineEdit* inputLine);

}  // namespace cpuchat
