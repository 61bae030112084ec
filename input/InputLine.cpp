#include "InputLine.h"

#include <QLineEdit>
#include <QStringView>
#include <QWidget>

#include "LayoutConversion.h"
#include "Text.h"

namespace cpuchat {

std::string toCp1251(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t cp : QStringView(text).toUcs4()) {
        const int byte = fromUnicode(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

QString fromCp1251(std::string_view cp1251) {
    QString out;
    out.reserve(static_cast<qsizetype>(cp1251.size()));
    for (const char c : cp1251) out += QChar(static_cast<char16_t>(toUnicode(static_cast<unsigned char>(c))));
    return out;
}

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
