#include "Look.h"

#include <QWidget>

namespace cpuchat {

namespace {

constexpr int kSmallFontPixels = 11;

}  // namespace

QColor toQColor(ColorRef colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                  static_cast<int>(colour >> 16 & 0xFF));
}

ColorRef fromQColor(const QColor& colour) { return colorRef(colour.red(), colour.green(), colour.blue()); }

QFont FontSpec::toQFont() const {
    QFont font(face);
    font.setPointSize(size);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    return font;
}

void installFontSubstitutes() {
    const QString face = FontSpec{}.face;
    if (!QFont::substitutes(face).isEmpty()) return;
    QFont::insertSubstitutions(face, {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
}

void useSmallWindowFont(QWidget* window) {
    QFont small = window->font();
    small.setPixelSize(kSmallFontPixels);
    window->setFont(small);
}

}  // namespace cpuchat
