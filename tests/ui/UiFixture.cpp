#include "UiFixture.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include "InputLine.h"
#include "DialogueView.h"
#include "FileStore.h"
#include "Text.h"

namespace cpuchat::test {

std::string tinyWave() {
    auto u16 = [](std::string& s, unsigned v) {
        s += char(v & 0xFF);
        s += char(v >> 8 & 0xFF);
    };
    auto u32 = [&](std::string& s, unsigned v) {
        u16(s, v & 0xFFFF);
        u16(s, v >> 16);
    };
    std::string fmt = "fmt ";
    u32(fmt, 16);
    u16(fmt, 1);      // PCM
    u16(fmt, 1);      // mono
    u32(fmt, 8000);   // samples per second
    u32(fmt, 16000);  // bytes per second
    u16(fmt, 2);      // block align
    u16(fmt, 16);     // bits per sample
    std::string data = "data";
    u32(data, 4);
    data += std::string(4, '\0');
    std::string wave = "RIFF";
    u32(wave, static_cast<unsigned>(4 + fmt.size() + data.size()));
    return wave + "WAVE" + fmt + data;
}

void writeSmallInstallation(const TempDir& dir) {
    dir.write("Base/Words.Dat", plainFile({
                                    "Заголовок базы",
                                    "ПРИВЕТ^Привет!;Здравствуй.;",
                                    "_КАК ДЕЛА^Хорошо.;",
                                    "ПОКА^До свидания.;@",
                                }));
    dir.write("Base/Povtor.Dat", plainFile({"Ты повторяешься.", "Опять то же."}));
    dir.write("Base/X.Dat", plainFile({"Не ругайся."}));
    dir.write("Base/BigString.Dat", plainFile({"Слишком длинно."}));
    dir.write("Base/W1.Dat", plainFile({"Не знаю."}));
    dir.write("Base/W2.Dat", plainFile({"Понятно."}));
    dir.write("Base/AI.dat", plainFile({"Заголовок", "Кстати, я подумал."}));
    dir.write("Base/Pause.Dat", plainFile({"Ты здесь?"}));
    dir.write("Base/Collection.Dat", "");
    dir.write("Base/Log.Lormak", "");
    for (const char* name : {"KeyBoard", "Button3", "Button2", "Button1", "CpuSound", "Close"}) {
        dir.write(std::string("Sound/") + name + ".wav", tinyWave());
    }
}

UiTest::UiTest() {
    writeSmallInstallation(dir);
    previousHandler_ = setMessageHandler([this](QWidget*, const QString& text) { messages << text; });
}

UiTest::~UiTest() {
    form_.reset();
    setMessageHandler(std::move(previousHandler_));
    // No test may leave the busy pointer behind.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void RecordingForm::moveWindowTo(const QPoint& frameTopLeft) {
    bool menus = true;
    for (const char* name : {"N1", "N5", "N11"}) {
        const QMenu* menu = menuBar()->findChild<QMenu*>(name, Qt::FindDirectChildrenOnly);
        menus = menus && menu->menuAction()->isEnabled();
    }
    moves.push_back({frameTopLeft, findChild<QLineEdit*>("Edit1")->isReadOnly(), menus});
    TForm1::moveWindowTo(frameTopLeft);
}

RecordingForm& UiTest::form() {
    if (!form_) form_ = std::make_unique<RecordingForm>(files, random, clock, sound);
    return *form_;
}

void UiTest::call(const char* handler) {
    ASSERT_TRUE(QMetaObject::invokeMethod(&form(), handler, Qt::DirectConnection)) << handler;
}

void UiTest::type(const QString& text) {
    edit1()->setText(text);
    call("Timer1Timer");
}

void UiTest::say(const QString& text) {
    edit1()->setText(text);
    call("SpeedButton1Click");
}

QLineEdit* UiTest::edit1() { return form().findChild<QLineEdit*>("Edit1"); }
QToolButton* UiTest::button(const char* name) { return form().findChild<QToolButton*>(name); }
QTimer* UiTest::timer(const char* name) { return form().findChild<QTimer*>(name); }
QAction* UiTest::item(const char* name) {
    for (QAction* a : form().findChildren<QAction*>(name)) {
        if (!a->menu()) return a;
    }
    return form().findChild<QAction*>(name);
}
DialogueView* UiTest::view() { return form().findChild<DialogueView*>("RichEdit1"); }

std::vector<std::string> UiTest::record() {
    std::vector<std::string> lines;
    for (const std::string& line : form().engine().record().toVector()) lines.push_back(toUtf8(line));
    return lines;
}

std::vector<std::string> UiTest::logLines() {
    FileStore store(disk);
    std::vector<std::string> lines;
    for (const std::string& line : store.read("Base\\Log.Lormak")->toVector()) lines.push_back(toUtf8(line));
    return lines;
}

void UiTest::removeFile(const std::string& relative) { std::filesystem::remove(dir.path() / relative); }

}  // namespace cpuchat::test
