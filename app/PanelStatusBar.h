#pragma once
// A status bar of fixed-width panels: each panel but the last has its width in
// pixels, the last fills the rest of the bar. Panels are addressed by index (0-based).
//
// The widths were laid out for text 11 pixels high. When the desktop's fonts are larger
// than that while the window keeps its pixel sizes (more dots per inch than Qt scales
// for), the bar's text is made as much smaller as every panel needs to hold its text
// whole, never smaller than those 11 pixels; the rest of the window keeps the large fonts.

#include <QStatusBar>
#include <QStringList>
#include <QVector>

class QLabel;

namespace cpuchat {

class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    /// The text height in pixels the panel widths were laid out for.
    static constexpr int kLayoutTextPixels = 11;

    /// `widths` of all panels but the last.
    explicit PanelStatusBar(QVector<int> widths, QWidget* parent = nullptr);

    int panelCount() const { return static_cast<int>(m_panels.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    /// What panel `index` shows, for screen readers: its description, and its name
    /// while it is empty (otherwise its name is its text).
    void setPanelTitle(int index, const QString& title);
    /// Left edge and width of panel `index` within the bar.
    QRect panelRect(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void placePanels();
    void nameForReaders(int index);
    void fitText();
    bool textFits(const QFont& font) const;

    QVector<int> m_widths;
    QVector<QLabel*> m_panels;
    QStringList m_titles;
};

}  // namespace cpuchat
