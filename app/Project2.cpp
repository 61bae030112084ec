// The program entry: builds the main window over the working directory and runs
// the event loop until the window closes.

#include <QApplication>
#include <csignal>
#include <filesystem>

#include "FileSystem.h"
#include "Random.h"
#include "Sound.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
    // A file-size limit fails a write with the program's message instead of killing it.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cpu-chat"));

    cpuchat::DiskFileSystem files(std::filesystem::current_path());
    cpuchat::StdRandom random;
    cpuchat::SystemClock clock;
    cpuchat::WaveSoundSystem sound(files);

    cpuchat::TForm1 form(files, random, clock, sound);
    if (!form.started()) return 1;
    // The secondary windows are built hidden after the main window, in the order
    // editor (TForm2), About (TForm3), virtual keyboard (TForm4). The main window
    // builds the editor and the About window itself; the keyboard comes fourth.
    form.createVirtualKeyboard();
    QObject::connect(&form, &cpuchat::TForm1::closed, &app, &QApplication::quit);
    form.show();
    return QApplication::exec();
}
