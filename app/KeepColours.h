#pragma once
// Widgets that must stay readable while disabled. The input guard disables the dialogue
// view for the rest of the run, and a secondary window disables the whole main window
// while the user composes on the virtual keyboard: the style's disabled grey all but
// vanishes on silver, so these widgets keep their colours instead.

class QWidget;

namespace cpuchat {

/// From now on `widget` (and the children that take its palette) shows its disabled
/// state in its active colours, also after every later change of its palette.
void keepColoursWhenDisabled(QWidget* widget);

}  // namespace cpuchat
