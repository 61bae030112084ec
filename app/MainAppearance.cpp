#include "MainAppearance.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>

#include "AppearanceDialogs.h"
#include "DialogueView.h"

namespace cpuchat {

namespace {

constexpr int kInputFontSize = 8;
// Greyed as on the classic desktop; the style's own grey vanishes on silver.
const QColor kDisabledCaption(128, 128, 128);

void setColour(QWidget* widget, QPalette::ColorRole role, ColorRef colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, toQColor(colour));
    palette.setColor(QPalette::Inactive, role, toQColor(colour));
    palette.setColor(QPalette::Disabled, role, toQColor(colour));
    widget->setPalette(palette);
}

void setCaptionColour(QToolButton* button, ColorRef colour) {
    // A disabled button keeps its grey caption.
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

}  // namespace

MainAppearance::MainAppearance(const MainControls& controls, QAction* defaultsItem, QWidget* dialogParent)
    : m_ui(controls),
      m_defaultsItem(defaultsItem),
      m_dialogParent(dialogParent),
      m_dialogs(std::make_shared<StandardAppearanceDialogs>(dialogParent)) {
    setColour(m_ui.client, QPalette::Window, kSilver);
    setColour(m_ui.richEdit1, QPalette::Base, kSilver);
    setColour(m_ui.edit1, QPalette::Base, kSilver);
    for (QToolButton* button : {m_ui.speedButton1, m_ui.speedButton2, m_ui.speedButton3}) {
        setCaptionColour(button, 0);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, kDisabledCaption);
        button->setPalette(palette);
    }
    applyInputFont();
    m_defaultsItem->setChecked(true);
}

MainAppearance::~MainAppearance() = default;

void MainAppearance::setDialogs(std::shared_ptr<AppearanceDialogs> dialogs) {
    m_dialogs = dialogs ? std::move(dialogs) : std::make_shared<StandardAppearanceDialogs>(m_dialogParent);
}

const TextAttributes& MainAppearance::takeAttributes(LineKind kind) {
    TextAttributes& current = m_settings.current;
    switch (kind) {
        case LineKind::User:
            current.colour = m_settings.user;
            current.font = m_settings.userFont;
            break;
        case LineKind::Cpu:
            current.colour = m_settings.cpu;
            current.font = m_settings.cpuFont;
            break;
        case LineKind::Remark:
            current.colour = m_settings.general;
            break;
        case LineKind::Service:
        case LineKind::Empty:
            current.colour = Appearance::kServiceColour;
            break;
    }
    return current;
}

void MainAppearance::applyInputFont() { m_ui.edit1->setFont(m_settings.inputFont.toQFont()); }

void MainAppearance::clearDefaultsMark() { m_defaultsItem->setChecked(false); }

// ---- Colours ------------------------------------------------------------------------

std::optional<ColorRef> MainAppearance::chooseColour(ColorRef& setting) {
    const std::optional<QColor> chosen = m_dialogs->chooseColour(toQColor(setting));
    if (!chosen) return std::nullopt;
    setting = fromQColor(*chosen);
    return setting;
}

void MainAppearance::chooseMainBackground() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_settings.general))
        setColour(m_ui.client, QPalette::Window, *colour);
}

void MainAppearance::chooseViewBackground() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_settings.general))
        setColour(m_ui.richEdit1, QPalette::Base, *colour);
}

void MainAppearance::chooseInputBackground() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_settings.general)) setColour(m_ui.edit1, QPalette::Base, *colour);
}

void MainAppearance::chooseButtonCaptions() {
    clearDefaultsMark();
    // Three dialogs in a row; each opens with the colour the previous one confirmed,
    // and a cancel only skips its button.
    for (QToolButton* button : {m_ui.speedButton1, m_ui.speedButton2, m_ui.speedButton3}) {
        if (const auto colour = chooseColour(m_settings.general)) setCaptionColour(button, *colour);
    }
}

void MainAppearance::chooseUserColour() {
    clearDefaultsMark();
    chooseColour(m_settings.user);
}

void MainAppearance::chooseCpuColour() {
    clearDefaultsMark();
    chooseColour(m_settings.cpu);
}

void MainAppearance::chooseInputColour() {
    clearDefaultsMark();
    if (const auto colour = chooseColour(m_settings.general)) setColour(m_ui.edit1, QPalette::Text, *colour);
}

// ---- Fonts --------------------------------------------------------------------------

void MainAppearance::chooseLineFont(FontSpec& setting) {
    clearDefaultsMark();
    TextAttributes& current = m_settings.current;
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

void MainAppearance::chooseUserFont() { chooseLineFont(m_settings.userFont); }

void MainAppearance::chooseCpuFont() { chooseLineFont(m_settings.cpuFont); }

void MainAppearance::chooseInputFont() {
    clearDefaultsMark();
    FontSpec& setting = m_settings.inputFont;
    QFont font = m_ui.edit1->font();
    if (const std::optional<FontSpec> chosen = m_dialogs->chooseFont(setting, true)) {
        setting = *chosen;
        setting.size = kInputFontSize;  // the only size the dialog offers
        font.setFamily(setting.face);
    }
    // Also after a cancel; the input line's size never changes here.
    setFontStyle(font, setting.bold, setting.italic, setting.underline, setting.strikeOut);
    m_ui.edit1->setFont(font);
}

// ---- The restore --------------------------------------------------------------------

void MainAppearance::restore() {
    m_defaultsItem->setChecked(true);
    setColour(m_ui.client, QPalette::Window, kSilver);
    setColour(m_ui.richEdit1, QPalette::Base, kSilver);
    setColour(m_ui.edit1, QPalette::Base, kSilver);
    // The input line's text turns bold; its face and size stay.
    setColour(m_ui.edit1, QPalette::Text, 0);
    QFont font = m_ui.edit1->font();
    setFontStyle(font, true, false, false, false);
    m_ui.edit1->setFont(font);
    for (QToolButton* button : {m_ui.speedButton1, m_ui.speedButton2, m_ui.speedButton3})
        setCaptionColour(button, 0);
    m_settings.general = 0;
    m_settings.user = 0;
    m_settings.cpu = 0;
    m_settings.userFont = FontSpec{};
    m_settings.cpuFont = FontSpec{};
    m_settings.inputFont.face = FontSpec{}.face;  // its style stays
    m_settings.inputFont.size = kInputFontSize;
}

}  // namespace cpuchat
