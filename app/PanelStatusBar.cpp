#include "PanelStatusBar.h"

#include <QLabel>

namespace cpuchat {

PanelStatusBar::PanelStatusBar(QVector<int> widths, QWidget* parent)
    : QStatusBar(parent), m_widths(std::move(widths)) {
    setSizeGripEnabled(false);
    for (int i = 0; i <= m_widths.size(); ++i) {
        // Plain children placed by hand: the bar's own layout would add spacing.
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(2);
        panel->setTextFormat(Qt::PlainText);
        m_panels.push_back(panel);
    }
    placePanels();
}

QString PanelStatusBar::panelText(int index) const {
    if (index < 0 || index >= m_panels.size()) return {};
    return m_panels[index]->text();
}

void PanelStatusBar::setPanelText(int index, const QString& text) {
    if (index < 0 || index >= m_panels.size()) return;
    m_panels[index]->setText(text);
}

QRect PanelStatusBar::panelRect(int index) const {
    if (index < 0 || index >= m_panels.size()) return {};
    int left = 0;
    for (int i = 0; i < index; ++i) left += m_widths[i];
    const int width = index < m_widths.size() ? m_widths[index] : std::max(0, this->width() - left);
    return {left, 0, width, height()};
}

void PanelStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    placePanels();
}

void PanelStatusBar::placePanels() {
    for (int i = 0; i < m_panels.size(); ++i) m_panels[i]->setGeometry(panelRect(i));
}

}  // namespace cpuchat
