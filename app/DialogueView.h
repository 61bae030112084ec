#pragma once
// The dialogue view: a read-only rich-text transcript in which every line is one
// centred paragraph, also when it wraps on screen. Lines are only ever appended
// whole at the end or removed from the end.

#include <QKeyEvent>
#include <QTextCharFormat>
#include <QTextEdit>

#include "Appearance.h"

namespace cpuchat {

class DialogueView : public QTextEdit {
    Q_OBJECT
public:
    explicit DialogueView(QWidget* parent = nullptr);

    /// Appends `text` as a new last line in `attributes`.
    void appendLine(const QString& text, const TextAttributes& attributes);
    /// Removes the last line; nothing when the view is empty.
    void removeLastLine();
    void clearLines();

    /// Pages the view for `key` when it is one of its paging keys typed into another
    /// control, which keeps the focus: PgUp, PgDn, Ctrl+Home, Ctrl+End. Returns false for
    /// other keys, and while the view is disabled, since it then takes no keys at all.
    bool scrollForKey(const QKeyEvent& key);

    int lineCount() const noexcept { return m_lines; }
    /// Line `index` (0-based); empty text for an index the view does not hold.
    QString lineText(int index) const;
    /// The character format line `index` was drawn in.
    QTextCharFormat lineFormat(int index) const;
    Qt::Alignment lineAlignment(int index) const;

    static QTextCharFormat charFormat(const TextAttributes& attributes);

private:
    int m_lines = 0;
};

}  // namespace cpuchat
