#pragma once
// The interval field of the editor window: a whole number of milliseconds from 1 to 60000
// with up and down arrows.
//
// It reads as a valid interval at every moment, also while its text is being typed: a
// text that is not a whole number reads as the lower limit, a number outside the limits as
// the nearer limit. Only the digits, "+", "-" and the decimal separator can be typed (any
// other character key is refused with a beep), so a half-typed "-" or "" is a state the
// field must live with rather than refuse. When the field loses the keyboard focus it
// shows the number it reads as.

#include <QSpinBox>

namespace cpuchat {

class IntervalSpinBox : public QSpinBox {
    Q_OBJECT

public:
    static constexpr int kMinimum = 1;
    static constexpr int kMaximum = 60000;

    explicit IntervalSpinBox(QWidget* parent = nullptr);

    /// The interval a text stands for: a 32-bit whole number clamped to the limits, or
    /// kMinimum for anything else (empty text, "-", "12,5", a number too long for 32 bits).
    static int readInterval(const QString& text);

    /// Whether `c` may be typed into the field.
    bool isAllowed(QChar c) const;

    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace cpuchat
