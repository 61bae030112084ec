#pragma once
// A status bar of fixed-width panels: each panel but the last has its width in
// pixels, the last fills the rest of the bar. Panels are addressed by index (0-based).

#include <QStatusBar>
#include <QVector>

class QLabel;

namespace cpuchat {

class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    /// `widths` of all panels but the last.
    explicit PanelStatusBar(QVector<int> widths, QWidget* parent = nullptr);

    int panelCount() const { return static_cast<int>(m_panels.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    /// Left edge and width of panel `index` within the bar.
    QRect panelRect(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placePanels();

    QVector<int> m_widths;
    QVector<QLabel*> m_panels;
};

}  // namespace cpuchat
