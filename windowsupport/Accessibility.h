#pragma once
// What the windows tell a screen reader beyond what Qt's widgets tell by themselves: the
// role of a widget whose class gives the wrong one (a secondary window is a dialog, not a
// plain filler), and a note that a screen reader speaks while the keyboard focus stays
// where it is.

#include <QAccessible>
#include <QString>
#include <QWidget>

namespace cpuchat {

/// Shows `widget` to screen readers in `role` instead of the role of its class. An
/// interface Qt made for it earlier (a base class's constructor may ask for one while a
/// screen reader listens) is dropped, so the role holds from now on.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

/// A child of no size that a screen reader speaks whenever it says something. Screen
/// readers speak text that appears in the object holding the focus, not in another one
/// (the dialogue view never holds it: the input line keeps it); a notification that comes
/// into sight is spoken wherever it is, and the focus does not move.
class SpokenNote : public QWidget {
    Q_OBJECT
public:
    explicit SpokenNote(QWidget* parent);

    /// Makes `text` the note's name and brings it into sight anew, which a screen reader
    /// speaks as a notification. Nothing shows on the screen.
    void say(const QString& text);
    /// What the note said last (its accessible name).
    QString text() const { return m_text; }

private:
    QString m_text;
};

}  // namespace cpuchat
