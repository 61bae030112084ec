#pragma once
// The look of the main window as the "&Настройки" menu changes it: the appearance
// settings that the dialogue view's lines take, the colours and fonts of the window's
// controls, the restore of the defaults with the check mark of its item, and the colour
// and font dialogs, which go through a seam a test answers. The window's handlers
// (N6Click ... N13Click) forward here.

#include <memory>
#include <optional>

#include "Appearance.h"
#include "Engine.h"
#include "MainControls.h"

class QAction;

namespace cpuchat {

class AppearanceDialogs;

class MainAppearance {
public:
    /// Gives `controls` their look at start. The check mark of `defaultsItem`
    /// ("Вернуть первоначальные настройки") is set at start; the dialogs are modal over
    /// `dialogParent`.
    MainAppearance(const MainControls& controls, QAction* defaultsItem, QWidget* dialogParent);
    ~MainAppearance();
    MainAppearance(const MainAppearance&) = delete;
    MainAppearance& operator=(const MainAppearance&) = delete;

    Appearance& settings() noexcept { return m_settings; }
    /// Replaces the colour and font dialogs (a test answers them); an empty pointer
    /// brings back the standard dialogs.
    void setDialogs(std::shared_ptr<AppearanceDialogs> dialogs);

    /// Takes the attributes of a line of `kind` into the dialogue view's current
    /// attributes, which the line is then drawn in. Each kind sets some of them (colour,
    /// face, size, style, in that order) and leaves the others as they are.
    const TextAttributes& takeAttributes(LineKind kind);
    /// Applies the input font to the input line after a change of the settings.
    void applyInputFont();
    /// The user changed something the restore puts back.
    void clearDefaultsMark();

    // The items of "&Настройки", each opening its dialog; all but the restore clear the
    // defaults item's check mark first.
    void chooseMainBackground();   // "&Цвет основного фона "
    void chooseViewBackground();   // "Ц&вет фона поля вывода реплик"
    void chooseInputBackground();  // "Цв&ет фона поля ввода реплик"
    void chooseButtonCaptions();   // "Цве&т шрифтов кнопок на панели"
    void chooseUserColour();       // "Цвет &реплик" / "&User"
    void chooseCpuColour();        // "Цвет &реплик" / "&Cpu"
    void chooseInputColour();      // "Цвет &реплик" / "&My string"
    void chooseUserFont();         // "&Параметры шрифта" / "&User"
    void chooseCpuFont();          // "&Параметры шрифта" / "&Cpu"
    void chooseInputFont();        // "&Параметры шрифта" / "&My string"
    /// The restore of the defaults as far as the main window's look goes; the lines
    /// already shown and the view's current attributes stay.
    void restore();

private:
    /// Opens the dialog that holds `setting`; stores and returns the confirmed colour.
    std::optional<ColorRef> chooseColour(ColorRef& setting);
    void chooseLineFont(FontSpec& setting);

    MainControls m_ui;
    QAction* m_defaultsItem;
    QWidget* m_dialogParent;
    std::shared_ptr<AppearanceDialogs> m_dialogs;
    Appearance m_settings;
};

}  // namespace cpuchat
