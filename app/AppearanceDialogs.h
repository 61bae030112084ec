#pragma once
// The colour and font choice dialogs of the appearance items. They go through this
// interface so that a test answers them instead of a user: no test may block on a
// modal dialog.

#include <QColor>
#include <optional>

#include "Appearance.h"

class QFontDialog;
class QWidget;

namespace cpuchat {

class AppearanceDialogs {
public:
    virtual ~AppearanceDialogs() = default;
    /// Opens a colour dialog with `current` selected; the chosen colour, or nothing
    /// when the user cancelled.
    virtual std::optional<QColor> chooseColour(QColor current) = 0;
    /// Opens a font dialog with `current` selected, offering face, size and bold/italic;
    /// with `sizeEightOnly` the size is fixed at 8 points. The chosen font, or nothing
    /// when the user cancelled.
    virtual std::optional<FontSpec> chooseFont(const FontSpec& current, bool sizeEightOnly) = 0;
};

/// The standard dialogs of the toolkit, modal over `parent`.
class StandardAppearanceDialogs : public AppearanceDialogs {
public:
    explicit StandardAppearanceDialogs(QWidget* parent) : m_parent(parent) {}
    std::optional<QColor> chooseColour(QColor current) override;
    std::optional<FontSpec> chooseFont(const FontSpec& current, bool sizeEightOnly) override;

    /// Fits a font dialog to what the program offers: no effects section (colour,
    /// underline, strike-out) and no writing-system filter; with `sizeEightOnly` the
    /// size list is gone and the size field reads 8, unchangeable.
    static void prepareFontDialog(QFontDialog& dialog, const FontSpec& current, bool sizeEightOnly);
    /// The font a prepared dialog holds, as the program keeps it. The face of `current`
    /// stays when the dialog shows the installed face that stands in for it.
    static FontSpec chosenFont(const QFontDialog& dialog, const FontSpec& current, bool sizeEightOnly);

private:
    QWidget* m_parent;
};

}  // namespace cpuchat
