#pragma once
// Where the program works: the folder that holds Base/, Sound/ and ReadMe.Txt. Both
// entries, the window and the console program, choose it this way before anything
// else starts, so the program runs alike from a menu, a terminal or the build tree.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace cpuchat {

/// A working folder that cannot be created or filled. The message (UTF-8) names the
/// path and the reason.
class WorkingFolderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What the choice looks at.
struct Surroundings {
    std::filesystem::path current;      ///< the current directory
    std::string dataHome;               ///< $XDG_DATA_HOME, empty when unset
    std::string home;                   ///< $HOME, empty when unset
    std::filesystem::path defaultData;  ///< the data that come with the program

    /// This process's surroundings. The default data lie at a fixed place relative
    /// to the executable (../share/cpu-chat from bin/), in an installation as in the
    /// build tree, so a relocated installation finds its own.
    static Surroundings ofProcess();
};

/// `dir` when given; it must be a folder that exists, since a mistyped name should
/// be said at once rather than met by every file the program opens. Otherwise the
/// current directory when its `Base` folder holds the knowledge base `Words.Dat`
/// (any case of the names), as existing installations keep their data there; an
/// unrelated `Base` (a menu starts programs in the home folder) does not count.
/// Otherwise the per-user folder `$XDG_DATA_HOME/cpu-chat` (`$HOME/.local/share`
/// when XDG_DATA_HOME is unset or not absolute), created when missing; every default
/// file it lacks is copied in, and a file it has (under any case of its name) is left
/// as it is, since it holds what the program has learned. Throws WorkingFolderError;
/// a failure leaves every file that existed as it was.
std::filesystem::path chooseWorkingFolder(const std::optional<std::filesystem::path>& dir,
                                          const Surroundings& where);

/// The files of the default data that `folder` lacks, spelled as the program names
/// them ("Base\Words.Dat", "Sound\KeyBoard.wav"), in name order; names match without
/// regard to case. Empty when the default data cannot be read.
std::vector<std::string> missingFiles(const std::filesystem::path& folder,
                                      const std::filesystem::path& defaults);

/// One line (UTF-8) naming the working folder and the files it lacks, to follow the
/// program's own "Cannot open file" messages, which name a file but not the folder.
std::string describeMissing(const std::filesystem::path& folder, const std::vector<std::string>& missing);

}  // namespace cpuchat
