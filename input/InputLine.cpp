#include "InputLine.h"

#include <QLineEdit>
#include <QWidget>

#include "Cp1251.h"
#include "LayoutConversion.h"
#include "Text.h"

namespace cpuchat {

QString convertLayout(const QString& text) {
    QString out = text;
    for (QChar& ch : out) {
        if (ch.unicode() < 0x80) {
            const char converted = convertLayoutChar(static_cast<char>(ch.unicode()));
            ch = QChar(static_cast<char16_t>(toUnicode(static_cast<unsigned char>(converted))));
        }
    }
    return out;
}

QChar otherLayoutChar(QChar c) {
    const int byte = fromUnicode(c.unicode());
    if (byte < 0) return c;
    const char other = otherLayoutChar(static_cast<char>(byte));
    return QChar(static_cast<char16_t>(toUnicode(static_cast<unsigned char>(other))));
}

bool applyLayoutConversion(QLineEdit* inputLine) {
    const QString before = inputLine->text();
    if (before.isEmpty()) return false;
    const QString after = convertLayout(before);
    if (after == before) return false;
    inputLine->setText(after);
    return true;
}

bool runInputGuard(InputGuard& guard, QLineEdit* inputLine, QWidget* dialogueView) {
    if (!guard.tick(toCp1251(inputLine->text()))) return false;
    dialogueView->setEnabled(false);
    inputLine->clear();
    return true;
}

bool inputGuardIdle(const InputGuard& guard, const QLineEdit* inputLine) {
    return guard.idle(toCp1251(inputLine->text()));
}

}  // namespace cpuchat
