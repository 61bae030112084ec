// The program entry: builds the main window over the working directory and runs
// the event loop until the window closes.

#include <QApplication>
#include <filesystem>

#include "FileSystem.h"
#include "Random.h"
#include "Sound.h"
#include "Unit1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cpu-chat"));

    cpuchat::DiskFileSystem files(std::filesystem::current_path());
    cpuchat::StdRandom random;
    cpuchat::SystemClock clock;
    cpuchat::WaveSoundSystem sound(files);

    cpuchat::TForm1 form(files, random, clock, sound);
    if (!form.started()) return 1;
    QObject::connect(&form, &cpuchat::TForm1::closed, &app, &QApplication::quit);
    form.show();
    return QApplication::exec();
}
