#pragma once
// A main window over a temporary working directory with a small knowledge base,
// scripted random draws, recorded sounds and recorded messages.

#include <QStringList>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "Messages.h"
#include "Sound.h"
#include "TestSupport.h"
#include "Unit1.h"

class QAction;
class QLineEdit;
class QTimer;
class QToolButton;

namespace cpuchat::test {

/// A minimal playable RIFF/WAVE file.
std::string tinyWave();

/// Writes the data files of a small installation under `dir`.
void writeSmallInstallation(const TempDir& dir);

/// Checks the files like the real players but plays nothing; records each request.
class RecordingSound : public WaveSoundSystem {
public:
    explicit RecordingSound(const DiskFileSystem& files) : WaveSoundSystem(files, Output::Silent) {}
    void play(int player) override { played.push_back(player); }
    std::vector<int> played;
};

/// Passes everything to a disk file system and lets a test look in before each read.
class SpyFileSystem : public FileSystem {
public:
    explicit SpyFileSystem(DiskFileSystem& disk) : disk_(disk) {}
    std::string read(std::string_view name) override {
        if (beforeRead) beforeRead(name);
        return disk_.read(name);
    }
    void replace(std::string_view name, std::string_view bytes) override {
        if (failWrites) throwCannotCreate(name);
        disk_.replace(name, bytes);
    }
    FileLock lock(std::string_view name) override { return disk_.lock(name); }
    std::function<void(std::string_view)> beforeRead;
    bool failWrites = false;

private:
    DiskFileSystem& disk_;
};

/// The main window with every move of its animations recorded, together with the
/// state of the input line and the menus at that moment.
class RecordingForm : public TForm1 {
public:
    using TForm1::TForm1;
    struct Move {
        QPoint to;
        bool inputReadOnly;
        bool menusEnabled;  // all three menus of the menu bar
    };
    std::vector<Move> moves;

protected:
    void moveWindowTo(const QPoint& frameTopLeft) override;
};

class UiTest : public ::testing::Test {
protected:
    UiTest();
    ~UiTest() override;

    /// Builds the window (after a test has arranged its files).
    RecordingForm& form();
    void call(const char* handler);
    /// Types `text` into the input line and runs one polling tick.
    void type(const QString& text);
    /// Sends `text` with the send button's handler.
    void say(const QString& text);

    QLineEdit* edit1();
    QToolButton* button(const char* name);
    QTimer* timer(const char* name);
    QAction* item(const char* name);
    DialogueView* view();
    std::vector<std::string> record();
    /// The session log's lines as the program reads them, in UTF-8.
    std::vector<std::string> logLines();
    void removeFile(const std::string& relative);

    TempDir dir;
    DiskFileSystem disk{dir.path()};
    SpyFileSystem files{disk};
    ScriptedRandom random;
    FakeClock clock;
    RecordingSound sound{disk};
    QStringList messages;

private:
    MessageHandler previousHandler_;
    std::unique_ptr<RecordingForm> form_;
};

}  // namespace cpuchat::test
