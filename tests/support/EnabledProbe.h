#pragma once
// Records, whenever a main window's enabled state changes, how the things around it
// look at that moment: the order in which a secondary window opens and closes.

#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace cpuchat::test {

class EnabledProbe : public QObject {
public:
    /// Each change of `main`'s enabled state logs "enabled " or "disabled " followed
    /// by what `describe` says.
    EnabledProbe(QWidget* main, std::function<QString()> describe) : m_main(main), m_describe(std::move(describe)) {
        main->installEventFilter(this);
    }
    QStringList log;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_main && event->type() == QEvent::EnabledChange) {
            log << (m_main->isEnabled() ? QStringLiteral("enabled ") : QStringLiteral("disabled ")) + m_describe();
        }
        return false;
    }

private:
    QWidget* m_main;
    std::function<QString()> m_describe;
};

}  // namespace cpuchat::test
