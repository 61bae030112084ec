#include "DialogueView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "KeepColours.h"

namespace cpuchat {

DialogueView::DialogueView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The selection stays visible while the view has no focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    // The input guard disables the view for the rest of the run; its lines and
    // background must not turn grey for that.
    keepColoursWhenDisabled(this);
}

QTextCharFormat DialogueView::charFormat(const TextAttributes& attributes) {
    QTextCharFormat format;
    // Colour, face, size, style: the order in which a line's attributes are set.
    format.setForeground(toQColor(attributes.colour));
    format.setFontFamilies({attributes.font.face});
    format.setFontPointSize(attributes.font.size);
    format.setFontWeight(attributes.font.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(attributes.font.italic);
    format.setFontUnderline(attributes.font.underline);
    format.setFontStrikeOut(attributes.font.strikeOut);
    return format;
}

void DialogueView::appendLine(const QString& text, const TextAttributes& attributes) {
    // A line break inside the text would split one line into two paragraphs.
    QString line = text;
    for (QChar& c : line) {
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u' ';
    }
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignHCenter);
    const QTextCharFormat format = charFormat(attributes);

    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (m_lines == 0) {
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(format);
    } else {
        cursor.insertBlock(block, format);
    }
    cursor.insertText(line, format);
    ++m_lines;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

bool DialogueView::scrollForKey(const QKeyEvent& key) {
    if (!isEnabled()) return false;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    QAbstractSlider::SliderAction action;
    if (modifiers == Qt::NoModifier && key.key() == Qt::Key_PageUp) {
        action = QAbstractSlider::SliderPageStepSub;
    } else if (modifiers == Qt::NoModifier && key.key() == Qt::Key_PageDown) {
        action = QAbstractSlider::SliderPageStepAdd;
    } else if (modifiers == Qt::ControlModifier && key.key() == Qt::Key_Home) {
        action = QAbstractSlider::SliderToMinimum;
    } else if (modifiers == Qt::ControlModifier && key.key() == Qt::Key_End) {
        action = QAbstractSlider::SliderToMaximum;
    } else {
        return false;
    }
    verticalScrollBar()->triggerAction(action);
    return true;
}

void DialogueView::removeLastLine() {
    if (m_lines == 0) return;
    if (m_lines == 1) {
        clearLines();
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);  // the paragraph mark
    cursor.removeSelectedText();
    --m_lines;
}

void DialogueView::clearLines() {
    clear();
    m_lines = 0;
}

QString DialogueView::lineText(int index) const {
    if (index < 0 || index >= m_lines) return {};
    return document()->findBlockByNumber(index).text();
}

QTextCharFormat DialogueView::lineFormat(int index) const {
    if (index < 0 || index >= m_lines) return {};
    const QTextBlock block = document()->findBlockByNumber(index);
    if (block.length() <= 1) return block.charFormat();
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat();
}

Qt::Alignment DialogueView::lineAlignment(int index) const {
    if (index < 0 || index >= m_lines) return {};
    return document()->findBlockByNumber(index).blockFormat().alignment();
}

}  // namespace cpuchat
