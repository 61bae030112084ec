#include "IntervalSpinBox.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>

namespace cpuchat {

IntervalSpinBox::IntervalSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(kMinimum, kMaximum);
    setSingleStep(1);
    setWrapping(false);
    setAccelerated(false);
}

int IntervalSpinBox::readInterval(const QString& text) {
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok) return kMinimum;
    return std::clamp(number, kMinimum, kMaximum);
}

bool IntervalSpinBox::isAllowed(QChar c) const {
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || QString(c) == locale().decimalPoint();
}

// Every text made of the allowed characters is acceptable as it stands: valueFromText()
// gives it its meaning, and leaving it acceptable keeps value() in step with each keystroke
// and stops the spin box from putting an older value back behind the user's typing.
QValidator::State IntervalSpinBox::validate(QString& input, int& /*pos*/) const {
    for (const QChar c : input) {
        if (!isAllowed(c)) return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

int IntervalSpinBox::valueFromText(const QString& text) const { return readInterval(text); }

void IntervalSpinBox::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!command) {
        for (const QChar c : typed) {
            if (c.isPrint() && !isAllowed(c)) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
    }
    QSpinBox::keyPressEvent(event);
}

}  // namespace cpuchat
