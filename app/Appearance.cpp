#include "Appearance.h"

namespace cpuchat {

QColor toQColor(ColorRef colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                  static_cast<int>(colour >> 16 & 0xFF));
}

ColorRef fromQColor(const QColor& colour) { return colorRef(colour.red(), colour.green(), colour.blue()); }

void installFontSubstitutes() {
    const QString face = FontSpec{}.face;
    if (!QFont::substitutes(face).isEmpty()) return;
    QFont::insertSubstitutions(face, {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
}

QFont FontSpec::toQFont() const {
    QFont font(face);
    font.setPointSize(size);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    return font;
}

}  // namespace cpuchat
