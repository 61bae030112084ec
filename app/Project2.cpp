// The program entry: reads the command line, chooses the working folder, builds the
// main window over it and runs the event loop until the window closes.

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <csignal>
#include <cstdio>

#include "FileSystem.h"
#include "Messages.h"
#include "Random.h"
#include "Sound.h"
#include "Unit1.h"
#include "WorkingFolder.h"

int main(int argc, char* argv[]) {
    // A file-size limit fails a write with the program's message instead of killing it.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication::setApplicationName(QStringLiteral("cpu-chat"));
    QApplication::setApplicationVersion(QStringLiteral(CPU_CHAT_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Cpu chat, a conversation program in Russian."));
    // Qt's own options are single-dash words (-style, -reverse): read as letters they
    // would look like -h or -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption dir(
        QStringLiteral("dir"),
        QStringLiteral("Work in <dir>. Without it: the current directory when it holds "
                       "Base, else ~/.local/share/cpu-chat, filled from the default data."),
        QStringLiteral("dir"));
    parser.addOption(dir);

    // Help and version need no display: when one is asked for, Qt starts without a
    // window system.
    QStringList raw;
    for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    parser.parse(raw);
    if (parser.isSet(help) || parser.isSet(version) || parser.isSet(QStringLiteral("help-all"))) {
        qputenv("QT_QPA_PLATFORM", "minimal");
    }
    QApplication app(argc, argv);  // takes Qt's own options out of the arguments
    if (!parser.parse(QApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString problem =
            parser.errorText().isEmpty()
                ? QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments()[0])
                : parser.errorText();
        std::fprintf(stderr, "cpu-chat: %s\n%s", qPrintable(problem), qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet(version)) {
        // Named as the console program names itself, so the two are told apart.
        std::printf("cpu-chat (Cpu chat) %s\n", CPU_CHAT_VERSION);
        return 0;
    }
    parser.process(app);  // --help and --help-all end the program here

    // The desktop shows the window with the name and icon of the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(CPU_CHAT_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(CPU_CHAT_APP_ID)));

    std::optional<std::filesystem::path> given;
    if (parser.isSet(dir)) given = QFile::encodeName(parser.value(dir)).toStdString();
    const cpuchat::Surroundings where = cpuchat::Surroundings::ofProcess();
    std::filesystem::path folder;
    try {
        folder = cpuchat::chooseWorkingFolder(given, where);
    } catch (const cpuchat::WorkingFolderError& e) {
        std::fprintf(stderr, "cpu-chat: cannot prepare the working folder: %s\n", e.what());
        cpuchat::showMessage(
            nullptr,
            QStringLiteral("Cannot prepare the working folder: %1").arg(QString::fromUtf8(e.what())));
        return 1;
    }
    // The program's messages name a file ("Cannot open file Sound\KeyBoard.wav") but
    // not the folder: in a folder that lacks files, each message says on a second
    // line which folder it is and what it lacks.
    if (const auto missing = cpuchat::missingFiles(folder, where.defaultData); !missing.empty()) {
        const std::string note = cpuchat::describeMissing(folder, missing);
        std::fprintf(stderr, "cpu-chat: %s\n", note.c_str());
        QString line = QString::fromUtf8(note);
        line[0] = line[0].toUpper();
        cpuchat::setMessageHandler([line](QWidget* parent, const QString& text) {
            QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), text + '\n' + line);
        });
    }

    cpuchat::DiskFileSystem files(folder);
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
