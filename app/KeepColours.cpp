#include "KeepColours.h"

#include <QEvent>
#include <QPalette>
#include <QWidget>

namespace cpuchat {

namespace {

void copyActiveToDisabled(QWidget* widget) {
    QPalette palette = widget->palette();
    bool changed = false;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        if (palette.brush(QPalette::Disabled, r) == palette.brush(QPalette::Active, r)) continue;
        palette.setBrush(QPalette::Disabled, r, palette.brush(QPalette::Active, r));
        changed = true;
    }
    // setPalette sends another PaletteChange, which then finds nothing to do.
    if (changed) widget->setPalette(palette);
}

// Lives as the widget's child and follows its palette changes.
class ColourKeeper : public QObject {
public:
    explicit ColourKeeper(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) copyActiveToDisabled(static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void keepColoursWhenDisabled(QWidget* widget) {
    copyActiveToDisabled(widget);
    new ColourKeeper(widget);
}

}  // namespace cpuchat
