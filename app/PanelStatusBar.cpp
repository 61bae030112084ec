#include "PanelStatusBar.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
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
        m_titles.push_back(QString());
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
    nameForReaders(index);
    fitText();
}

void PanelStatusBar::setPanelTitle(int index, const QString& title) {
    if (index < 0 || index >= m_panels.size()) return;
    m_titles[index] = title;
    m_panels[index]->setAccessibleDescription(title);
    nameForReaders(index);
}

void PanelStatusBar::nameForReaders(int index) {
    // An empty name makes a label's text its name; an empty panel is named by its title.
    const QString name = m_panels[index]->text().isEmpty() ? m_titles[index] : QString();
    if (m_panels[index]->accessibleName() != name) m_panels[index]->setAccessibleName(name);
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
    fitText();
}

void PanelStatusBar::changeEvent(QEvent* event) {
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::FontChange) fitText();
}

void PanelStatusBar::placePanels() {
    for (int i = 0; i < m_panels.size(); ++i) m_panels[i]->setGeometry(panelRect(i));
}

void PanelStatusBar::fitText() {
    // The panels take the bar's font, which follows the window's; only a font larger
    // than the layout's that does not fit is replaced by a smaller one.
    const QFont wanted = font();
    int pixels = QFontInfo(wanted).pixelSize();
    QFont fitting = wanted;
    while (pixels > kLayoutTextPixels && !textFits(fitting)) fitting.setPixelSize(--pixels);
    for (QLabel* panel : m_panels) {
        if (fitting == wanted) {
            if (panel->testAttribute(Qt::WA_SetFont)) panel->setFont(QFont());  // the bar's again
        } else if (panel->font() != fitting) {
            panel->setFont(fitting);
        }
    }
}

bool PanelStatusBar::textFits(const QFont& font) const {
    const QFontMetrics metrics(font);
    for (const QLabel* panel : m_panels) {
        const QRect room = panel->contentsRect();
        if (metrics.height() > room.height()) return false;
        if (metrics.horizontalAdvance(panel->text()) > room.width() - panel->indent()) return false;
    }
    return true;
}

}  // namespace cpuchat
