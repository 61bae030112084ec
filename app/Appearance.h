#pragma once
// The appearance settings of the main window. They live for one run only: every start
// begins from the values below, and only the appearance items of the menu change them.

#include "Look.h"

namespace cpuchat {

/// What the next line appended to the dialogue view takes.
struct TextAttributes {
    ColorRef colour = 0;
    FontSpec font;
    bool operator==(const TextAttributes&) const = default;
};

struct Appearance {
    /// Service lines of a mode change; never changes.
    static constexpr ColorRef kServiceColour = colorRef(0, 128, 128);

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
