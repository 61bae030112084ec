// TForm1's handlers for the look of the window and its secondary windows: the colour
// and font items of "&Настройки" with the restore of the defaults, the full-screen
// layout, the knowledge statistics of "&Подробнее о базе:", the editor window and the
// About window.

#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "AppearanceDialogs.h"
#include "DialogueView.h"
#include "FileStore.h"
#include "FullScreen.h"
#include "Messages.h"
#include "PanelStatusBar.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define CPU_CHAT_X11 1
#endif

namespace cpuchat {

namespace {

constexpr int kInputFontSize = 8;

void setColour(QWidget* widget, QPalette::ColorRole role, ColorRef colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, toQColor(colour));
    palette.setColor(QPalette::Inactive, role, toQColor(colour));
    palette.setColor(QPalette::Disabled, role, toQColor(colour));
    widget->setPalette(palette);
}

void setCaptionColour(QToolButton* button, ColorRef colour) {
    // A disabled button keeps its grey caption: the style's own grey vanishes on silver.
    QPalette palette = button->palette();
    palette.setColor(QPalette::Active, QPalette::ButtonText, toQColor(colour));
    palette.setColor(QPalette::Inactive, QPalette::ButtonText, toQColor(colour));
    button->setPalette(palette);
}

void setFontStyle(QFont& font, bool bold, bool italic, bool underline, bool strikeOut) {
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
}

// An X11 window manager tells the size of a window's frame in a property of the window,
// at times only after the configure that maximised it, and the window gets no event for
// it. Any property change of the window calls `changed`, queued: Qt has taken note of
// the new value by then.
class WindowPropertyWatch : public QAbstractNativeEventFilter {
public:
    WindowPropertyWatch(QWidget* window, std::function<void()> changed)
        : m_window(window), m_changed(std::move(changed)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
#ifdef CPU_CHAT_X11
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t*>(event)->window ==
                m_window->internalWinId()) {
            QTimer::singleShot(0, m_window, m_changed);
        }
#else
        Q_UNUSED(type);
        Q_UNUSED(message);
#endif
        return false;
    }

private:
    QWidget* m_window;
    std::function<void()> m_changed;
};

}  // namespace

// ---- Building -----------------------------------------------------------------------

void TForm1::createSecondaryWindows() {
    // Built hidden, in this order, before the virtual keyboard.
    m_form2 = new TForm2(this, &m_timer1, m_engine.random(), m_engine.clock());
    connect(m_form2, &TForm2::changed, this, &TForm1::clearDefaultsMark);
    setEditorPathSource([this] { return m_form2->path(); });
    setEditorIntervalSource([this] { return m_form2->interval(); });

    m_form3 = new TForm3(this, &m_timer1, m_engine.store().fileSystem(),
                         [this](const QString& text) { showMessage(this, text); });
}

void TForm1::connectSettingsItems() {
    m_dialogs = std::make_shared<StandardAppearanceDialogs>(this);

    const std::pair<const char*, void (TForm1::*)()> handlers[] = {
        {"N6", &TForm1::N6Click},
        {"N21", &TForm1::N21Click},
        {"N16", &TForm1::N16Click},
        {"N9", &TForm1::N9Click},
        {"User1", &TForm1::User1Click},
        {"Cpu1", &TForm1::Cpu1Click},
        {"Mystring2", &TForm1::Mystring2Click},
        {"User2", &TForm1::User2Click},
        {"Cpu2", &TForm1::Cpu2Click},
        {"Mystring1", &TForm1::Mystring1Click},
        {"N13", &TForm1::N13Click},
        {"N38", &TForm1::N38Click},
        {"N40", &TForm1::N40Click},
        {"N12", &TForm1::N12Click},
    };
    m_n40 = menuItem("N40");
    m_frameWatch = std::make_unique<WindowPropertyWatch>(this, [this] {
        if (m_fullScreen) applyFullScreenLayout();
    });
    // As with the other check marks, only the handler sets it.
    m_n40->setCheckable(true);
    connect(m_n40, &QAction::triggered, m_n40, [this](bool checked) { m_n40->setChecked(!checked); });
    for (const auto& [name, handler] : handlers) connect(menuItem(name), &QAction::triggered, this, handler);
}

QAction* TForm1::menuItem(const char* name) const {
    // Searched in this window's own menu bar: the virtual keyboard has a menu too.
    for (QAction* item : menuBar()->findChildren<QAction*>(QString::fromLatin1(name))) {
        if (!item->menu()) return item;
    }
    return nullptr;
}

void TForm1::setAppearanceDialogs(std::shared_ptr<AppearanceDialogs> dialogs) {
    m_dialogs = dialogs ? std::move(dialogs) : std::make_shared<StandardAppearanceDialogs>(this);
}

// ---- Colours and fonts ------------------------------------------------------------

void TForm1::clearDefaultsMark() { m_n13->setChecked(false); }

std::optional<ColorRef> TForm1::chooseColour(ColorRef& setting) {
    const std::optional<QColor> chosen = m_dialogs->chooseColour(toQColor(setting));
    if (!chosen) return std::nullopt;
    setting = fromQColor(*chosen);
    return setting;
}

void TForm1::N6Click() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_appearance.general))
        setColour(m_client, QPalette::Window, *colour);
}

void TForm1::N21Click() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_appearance.general))
        setColour(m_richEdit1, QPalette::Base, *colour);
}

void TForm1::N16Click() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_appearance.general)) setColour(m_edit1, QPalette::Base, *colour);
}

void TForm1::N9Click() {
    clearDefaultsMark();
    // Three dialogs in a row; each opens with the colour the previous one confirmed,
    // and a cancel only skips its button.
    for (QToolButton* button : {m_speedButton1, m_speedButton2, m_speedButton3}) {
        if (const auto colour = chooseColour(m_appearance.general)) setCaptionColour(button, *colour);
    }
}

void TForm1::User1Click() {
    clearDefaultsMark();
    chooseColour(m_appearance.user);
}

void TForm1::Cpu1Click() {
    clearDefaultsMark();
    chooseColour(m_appearance.cpu);
}

void TForm1::Mystring2Click() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_appearance.general)) setColour(m_edit1, QPalette::Text, *colour);
}

void TForm1::chooseLineFont(FontSpec& setting) {
    clearDefaultsMark();
    TextAttributes& current = m_appearance.current;
    if (const std::optional<FontSpec> chosen = m_dialogs->chooseFont(setting, false)) {
        setting = *chosen;
        current.font.face = setting.face;
    }
    // Also after a cancel: the font the dialog kept.
    current.font.size = setting.size;
    current.font.bold = setting.bold;
    current.font.italic = setting.italic;
    current.font.underline = setting.underline;
    current.font.strikeOut = setting.strikeOut;
}

void TForm1::User2Click() { chooseLineFont(m_appearance.userFont); }

void TForm1::Cpu2Click() { chooseLineFont(m_appearance.cpuFont); }

void TForm1::Mystring1Click() {
    clearDefaultsMark();
    FontSpec& setting = m_appearance.inputFont;
    QFont font = m_edit1->font();
    if (const std::optional<FontSpec> chosen = m_dialogs->chooseFont(setting, true)) {
        setting = *chosen;
        setting.size = kInputFontSize;  // the only size the dialog offers
        font.setFamily(setting.face);
    }
    // Also after a cancel; the input line's size never changes here.
    setFontStyle(font, setting.bold, setting.italic, setting.underline, setting.strikeOut);
    m_edit1->setFont(font);
}

void TForm1::N13Click() {
    m_n13->setChecked(true);
    for (auto [widget, role] : {std::pair<QWidget*, QPalette::ColorRole>{m_client, QPalette::Window},
                                {m_richEdit1, QPalette::Base},
                                {m_edit1, QPalette::Base}}) {
        setColour(widget, role, Appearance::kSilver);
    }
    // The input line's text turns bold; its face and size stay.
    setColour(m_edit1, QPalette::Text, 0);
    QFont font = m_edit1->font();
    setFontStyle(font, true, false, false, false);
    m_edit1->setFont(font);
    for (QToolButton* button : {m_speedButton1, m_speedButton2, m_speedButton3}) setCaptionColour(button, 0);
    m_appearance.general = 0;
    m_appearance.user = 0;
    m_appearance.cpu = 0;
    m_appearance.userFont = FontSpec{};
    m_appearance.cpuFont = FontSpec{};
    m_appearance.inputFont.face = FontSpec{}.face;  // its style stays
    m_appearance.inputFont.size = kInputFontSize;
    // Written back without counting as the user's change: the check mark stays.
    m_form2->restoreDefaults();
    m_form3->setShortForm();
}

// ---- Full screen --------------------------------------------------------------------

void TForm1::setOuterSizeSource(std::function<QSize()> source) { m_outerSize = std::move(source); }

void TForm1::N40Click() {
    m_fullScreen = !m_fullScreen;
    m_n40->setChecked(m_fullScreen);
    if (m_fullScreen) {
        m_n40->setText(QStringLiteral("Normal"));
        // The window is fixed-size, and no window manager maximises such a window.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_client->setMinimumSize(0, 0);
        m_client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setWindowState(windowState() | Qt::WindowMaximized);
        applyFullScreenLayout();
    } else {
        m_n40->setText(QStringLiteral("Full Screen"));
        // Read while still maximised: the place the window had before full screen.
        const QPoint normalPlace = normalGeometry().topLeft();
        const QSize fixed(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
        // The window manager learns the fixed size while the window is still maximised:
        // openbox then frames the restored window as a fixed one, without the resize
        // handle of a resizable window.
        windowHandle()->setMinimumSize(fixed);
        windowHandle()->setMaximumSize(fixed);
        setWindowState(windowState() & ~Qt::WindowMaximized);
        m_client->setFixedSize(kClientWidth, kClientHeight);
        // Placed before the widget takes its fixed size, which alone would be asked
        // for at the maximised window's corner.
        setGeometry(QRect(normalPlace, fixed));
        setFixedSize(fixed);
        applyLayout(normalLayout());
    }
}

QSize TForm1::outerSize() const { return m_outerSize ? m_outerSize() : frame().size(); }

void TForm1::applyFullScreenLayout() {
    const QSize outer = outerSize();
    applyLayout(fullScreenLayout(outer.width(), outer.height()));
}

void TForm1::applyLayout(const MainLayout& layout) {
    m_tabControl1->resize(layout.upperFrameWidth, layout.upperFrameHeight);
    m_richEdit1->resize(layout.viewWidth, layout.viewHeight);
    m_tabControl2->resize(layout.lowerFrameWidth, m_tabControl2->height());
    m_tabControl2->move(m_tabControl2->x(), layout.lowerFrameTop);
    m_speedButton1->move(layout.sendLeft, m_speedButton1->y());
    m_speedButton3->move(layout.layoutLeft, m_speedButton3->y());
    m_speedButton2->move(layout.undoLeft, m_speedButton2->y());
    m_edit1->resize(layout.inputWidth, m_edit1->height());
    // The status bar stays docked to the bottom edge of the client area.
    m_statusBar1->setGeometry(0, m_client->height() - kStatusBarHeight, m_client->width(), kStatusBarHeight);
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // The window manager may deliver the maximised size, or the frame around it, only
    // after N40Click has returned: the layout follows the window while in full screen.
    if (m_fullScreen) {
        switch (event->type()) {
            case QEvent::Resize:
            case QEvent::Move:
            case QEvent::WindowStateChange:
                applyFullScreenLayout();
                break;
            default:
                break;
        }
    }
    return handled;
}

// ---- Knowledge statistics -------------------------------------------------------------

void TForm1::Timer8Timer() {
    // Once, also after a failure; stopped first, since a message box runs the event loop.
    m_timer8.stop();
    KnowledgeStats stats;
    try {
        stats = m_engine.statistics();
    } catch (const std::exception& error) {
        // The counts need every file: the captions stay without them.
        showFailure(error);
        return;
    }
    const std::pair<const char*, std::int32_t> counts[] = {
        {"N18", stats.incoming}, {"N19", stats.outgoing}, {"N20", stats.total}};
    for (const auto& [name, count] : counts) {
        QAction* item = menuItem(name);
        item->setText(item->text() + QStringLiteral(" [") + QString::number(count) + QStringLiteral("]"));
    }
}

// ---- Editor and About -----------------------------------------------------------------

void TForm1::N38Click() { m_form2->open(); }

void TForm1::N12Click() { m_form3->open(); }

}  // namespace cpuchat
