// cpu-chat-cli: the console front end over the same engine and files as the window
// program. Phrases come one per line on standard input (UTF-8); the session record's
// lines go to standard output as they are appended; failures go to standard error.

#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "Engine.h"
#include "FileSystem.h"
#include "Random.h"
#include "Text.h"
#include "Tools.h"
#include "WorkingFolder.h"

namespace {

using namespace cpuchat;

// Seeded once from the command line: reseeding at every phrase is skipped, so a run
// can be repeated exactly.
class FixedSeedRandom : public StdRandom {
public:
    explicit FixedSeedRandom(std::uint64_t seed) { StdRandom::seed(seed); }
    void seed(std::uint64_t) override {}
};

constexpr std::size_t kInputLineLimit = 255;

constexpr char kUsage[] =
    "Usage: cpu-chat-cli [--dir DIR] [--seed N] [--explain] "
    "[--stats | --check | --export NAME | --import NAME]\n"
    "Talks with Cpu in the terminal: one phrase a line on standard input (UTF-8).\n"
    "\n"
    "  --dir DIR      work in DIR; without it: the current directory when its Base holds\n"
    "                 Words.Dat, else ~/.local/share/cpu-chat, filled from the default data\n"
    "  --seed N       draw from the seed N, so that a run can be repeated\n"
    "  --explain      say on standard error where each Cpu line came from\n"
    "  --stats        print the knowledge counts and exit\n"
    "  --check        report the lines of Base/Words.Dat that cannot answer as meant, and exit\n"
    "                 (status 0: none, 1: some, 2: the file cannot be read)\n"
    "  --export NAME  print the lines of Base/NAME as UTF-8 and exit\n"
    "  --import NAME  replace the lines of Base/NAME by UTF-8 lines from standard input,\n"
    "                 keeping the file's form, and exit\n"
    "  -h, --help     print this help and exit\n"
    "  -v, --version  print the version and exit\n";

int usageError(const std::string& problem) {
    std::cerr << "cpu-chat-cli: " << problem << '\n' << kUsage;
    return 2;
}

void printRecordFrom(const Engine& engine, std::size_t from) {
    for (std::size_t i = from; i < engine.record().size(); ++i)
        std::cout << toUtf8(engine.record()[i]) << '\n';
    std::cout.flush();
}

int stats(Engine& engine) {
    try {
        std::cout << toUtf8(engine.startupLoad()) << '\n';
        const KnowledgeStats s = engine.statistics();
        std::cout << "Входящие выражения: [" << s.incoming << "]   Исходящие выражения: [" << s.outgoing
                  << "]   Итого: [" << s.total << "]\n";
        return 0;
    } catch (const FileError& e) {
        std::cerr << toUtf8(e.what()) << '\n';
        return 1;
    }
}

// The failures name a file of Base but not the folder; a folder that lacks some of
// them (an old installation, a mistyped --dir) is named once before the talk.
void reportMissing(const std::filesystem::path& folder, const std::filesystem::path& defaults) {
    std::vector<std::string> missing = missingFiles(folder, defaults);
    // The sounds, the history and the picture belong to the window program.
    std::erase_if(missing, [](const std::string& name) { return !name.starts_with("Base\\"); });
    if (!missing.empty()) std::cerr << "cpu-chat-cli: " << describeMissing(folder, missing) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");     // the session log's date and time follow the user's locale
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write instead of killing us
    std::signal(SIGPIPE, SIG_IGN);  // a reader that goes away ends the talk, and the log is still written
    std::optional<std::filesystem::path> dir;
    std::optional<std::uint64_t> seed;
    bool wantStats = false;
    ToolOptions tools;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--dir" || arg == "--seed" || arg == "--export" || arg == "--import") && i + 1 == argc)
            return usageError("option '" + arg + "' needs a value");
        if (arg == "--dir") {
            dir = argv[++i];
        } else if (arg == "--seed") {
            char* end = nullptr;
            seed = std::strtoull(argv[++i], &end, 10);
            if (*end != '\0' || end == argv[i])
                return usageError("option '--seed' needs a number, not '" + std::string(argv[i]) + "'");
        } else if (arg == "--stats") {
            wantStats = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version" || arg == "-v") {
            std::cout << "cpu-chat-cli (Cpu chat) " CPU_CHAT_VERSION "\n";
            return 0;
        } else if (!parseToolOption(argc, argv, i, tools)) {
            return usageError("unknown option '" + arg + "'");
        }
    }

    const Surroundings where = Surroundings::ofProcess();
    std::filesystem::path folder;
    try {
        folder = chooseWorkingFolder(dir, where);
    } catch (const WorkingFolderError& e) {
        std::cerr << "cpu-chat-cli: cannot prepare the working folder: " << e.what() << '\n';
        return 1;
    }
    DiskFileSystem files(folder);
    if (tools.command) return runTool(tools, files, std::cin, std::cout, std::cerr);
    reportMissing(folder, where.defaultData);
    SystemClock clock;
    StdRandom freeRandom;
    std::optional<FixedSeedRandom> fixedRandom;
    if (seed) fixedRandom.emplace(*seed);
    Random& random = fixedRandom ? static_cast<Random&>(*fixedRandom) : freeRandom;
    Engine engine(files, random, clock);
    if (wantStats) return stats(engine);

    const bool terminal = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
    if (terminal)
        std::cerr << "Cpu chat. Пишите фразы; пустая строка пропускается, Ctrl+D завершает беседу.\n> ";
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string phrase = fromUtf8(line);
        if (phrase.size() > kInputLineLimit) phrase.resize(kInputLineLimit);
        if (phrase.empty() || !mayBeSent(phrase, std::cerr)) {
            if (terminal) std::cerr << "> ";
            continue;
        }
        const std::size_t before = engine.record().size();
        const SayResult result = engine.say(Mode::CpuUser, phrase);
        printRecordFrom(engine, before);
        if (tools.explain) explainSay(result, std::cerr);
        if (!std::cout) break;  // nobody reads the talk any more
        if (result.failure) std::cerr << toUtf8(*result.failure) << '\n';
        if (result.closing.value_or(false) && result.replyShown) break;  // the close marker ends the talk
        if (result.afterthought.value_or(false)) {
            // The afterthought comes at once instead of two seconds later.
            const std::size_t at = engine.record().size();
            Reason why;
            while (!engine.afterthoughtTick(&why)) {
            }
            printRecordFrom(engine, at);
            if (tools.explain) explainAfterthought(why, std::cerr);
        }
        if (terminal) std::cerr << "> ";
    }
    try {
        engine.exitLog();
    } catch (const FileError& e) {
        std::cerr << toUtf8(e.what()) << '\n';
        return 1;
    }
    return 0;
}
