#pragma once
// Colours and fonts of the main window. They live for one run only: every start
// begins from the values below, and only the appearance settings change them.

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

namespace cpuchat {

/// A colour as the program keeps it: 0x00BBGGRR.
using ColorRef = std::uint32_t;

constexpr ColorRef colorRef(int red, int green, int blue) {
    return static_cast<ColorRef>(red & 0xFF) | static_cast<ColorRef>(green & 0xFF) << 8 |
           static_cast<ColorRef>(blue & 0xFF) << 16;
}
QColor toQColor(ColorRef colour);
/// Maps the program's default face, which Linux desktops lack, to the closest
/// installed faces of similar width.
void installFontSubstitutes();
ColorRef fromQColor(const QColor& colour);

struct FontSpec {
    QString face = QStringLiteral("MS Sans Serif");
    int size = 8;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const FontSpec&) const = default;
    QFont toQFont() const;
};

/// What the next line appended to the dialogue view takes.
struct TextAttributes {
    ColorRef colour = 0;
    FontSpec font;
    bool operator==(const TextAttributes&) const = default;
};

struct Appearance {
    /// Service lines of a mode change; never changes.
    static constexpr ColorRef kServiceColour = colorRef(0, 128, 128);
    static constexpr ColorRef kSilver = colorRef(192, 192, 192);

    ColorRef general = 0;
    ColorRef user = 0;
    ColorRef cpu = 0;
    FontSpec userFont;
    FontSpec cpuFont;
    FontSpec inputFont;
    /// The dialogue view's current attributes.
    TextAttributes current;
};

}  // namespace cpuchat
