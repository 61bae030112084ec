#pragma once
// The colours and fonts the windows share: the program's colour values, the silver of
// its backgrounds, its default face and the small font of the secondary windows.

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

class QWidget;

namespace cpuchat {

/// A colour as the program keeps it: 0x00BBGGRR.
using ColorRef = std::uint32_t;

constexpr ColorRef colorRef(int red, int green, int blue) {
    return static_cast<ColorRef>(red & 0xFF) | static_cast<ColorRef>(green & 0xFF) << 8 |
           static_cast<ColorRef>(blue & 0xFF) << 16;
}
QColor toQColor(ColorRef colour);
ColorRef fromQColor(const QColor& colour);

/// The background of the main window, its two text fields, the About window and the
/// virtual keyboard.
constexpr ColorRef kSilver = colorRef(192, 192, 192);

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

/// Maps the program's default face, which Linux desktops lack, to the closest
/// installed faces of similar width.
void installFontSubstitutes();

/// Gives `window` the small font of the secondary windows: 8 points of the classic
/// desktop, 11 pixels high, so that their captions fit their boxes and keys.
void useSmallWindowFont(QWidget* window);

}  // namespace cpuchat
