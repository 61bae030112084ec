#include "WorkingFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <vector>

#include "TestSupport.h"

namespace cpuchat {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// The default data as the build tree holds them: Base is a link to a folder
// elsewhere, and the files are read-only.
class WorkingFolderTest : public ::testing::Test {
protected:
    WorkingFolderTest() {
        tmp.write("src/Base/Words.Dat", "default words");
        tmp.write("src/Base/Pause.Dat", "default pause");
        tmp.write("defaults/ReadMe.Txt", "history");
        fs::create_directory_symlink(tmp.path() / "src" / "Base", tmp.path() / "defaults" / "Base");
        for (const char* f : {"src/Base/Words.Dat", "src/Base/Pause.Dat", "defaults/ReadMe.Txt"}) {
            fs::permissions(tmp.path() / f,
                            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        fs::create_directory(tmp.path() / "elsewhere");
        where.current = tmp.path() / "cur";
        where.home = (tmp.path() / "home").string();
        where.defaultData = tmp.path() / "defaults";
    }
    std::string at(const std::string& s) const {
        return s.starts_with("{tmp}") ? (tmp.path() / s.substr(6)).string() : s;
    }
    Files filesIn(const fs::path& folder) const {
        Files out;
        for (const auto& e : fs::recursive_directory_iterator(folder)) {
            if (e.is_regular_file())
                out[e.path().lexically_relative(folder).generic_string()] = tmp.read(e.path());
        }
        return out;
    }
    std::string failure(const std::optional<fs::path>& dir = std::nullopt) const {
        try {
            chooseWorkingFolder(dir, where);
        } catch (const WorkingFolderError& e) {
            return e.what();
        }
        return "no failure";
    }

    test::TempDir tmp;
    Surroundings where;
};

TEST_F(WorkingFolderTest, TheCommandLineThenTheCurrentDirectoryThenThePerUserFolder) {
    struct Row {
        const char* name;
        std::optional<std::string> dir;
        std::string inCurrent;  // a folder ("Base/") or a file ("Base") made in the current directory
        std::string dataHome;
        std::string expected;
    };
    const Row rows[] = {
        {"--dir wins", "{tmp}/elsewhere", "Base/Words.Dat", "", "{tmp}/elsewhere"},
        {"a current directory with the knowledge base", std::nullopt, "Base/Words.Dat", "{tmp}/data",
         "{tmp}/cur"},
        {"names in any case", std::nullopt, "bASE/wORDS.dAT", "", "{tmp}/cur"},
        {"an unrelated Base, as a menu starts programs in the home folder", std::nullopt, "Base/", "",
         "{tmp}/home/.local/share/cpu-chat"},
        {"a folder named Words.Dat is no knowledge base", std::nullopt, "Base/Words.Dat/", "",
         "{tmp}/home/.local/share/cpu-chat"},
        {"a file named Base is no working folder", std::nullopt, "Base", "",
         "{tmp}/home/.local/share/cpu-chat"},
        {"XDG_DATA_HOME", std::nullopt, "Words.Dat", "{tmp}/data", "{tmp}/data/cpu-chat"},
        {"a relative XDG_DATA_HOME is ignored", std::nullopt, "", "data", "{tmp}/home/.local/share/cpu-chat"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path cur = tmp.path() / "cur";
        fs::remove_all(cur);
        fs::create_directory(cur);
        if (row.inCurrent.ends_with('/')) fs::create_directories(cur / row.inCurrent);
        if (!row.inCurrent.empty() && !row.inCurrent.ends_with('/')) tmp.write("cur/" + row.inCurrent, "x");
        where.dataHome = at(row.dataHome);
        const fs::path chosen =
            chooseWorkingFolder(row.dir ? std::optional<fs::path>(at(*row.dir)) : std::nullopt, where);
        EXPECT_EQ(chosen, fs::path(at(row.expected)));
        const bool perUser = row.expected.ends_with("cpu-chat");
        EXPECT_EQ(fs::exists(chosen / "Base" / "Pause.Dat"), perUser);
        EXPECT_EQ(fs::exists(tmp.path() / "home") || fs::exists(tmp.path() / "data"), perUser);
        // A folder not chosen is left as it was.
        EXPECT_EQ(fs::exists(cur / "Base" / "Pause.Dat") || fs::exists(cur / "ReadMe.Txt"), false);
        fs::remove_all(tmp.path() / "home");
        fs::remove_all(tmp.path() / "data");
    }
}

TEST_F(WorkingFolderTest, CopiesWhatIsMissingAndNeverChangesAFileThatExists) {
    const Files defaults = {
        {"Base/Pause.Dat", "default pause"}, {"Base/Words.Dat", "default words"}, {"ReadMe.Txt", "history"}};
    struct Row {
        const char* name;
        Files before;
        Files after;
    };
    const Row rows[] = {
        {"a new folder", {}, defaults},
        {"learned lines are kept",
         {{"Base/Words.Dat", "learned"}},
         {{"Base/Pause.Dat", "default pause"}, {"Base/Words.Dat", "learned"}, {"ReadMe.Txt", "history"}}},
        {"names in another case are the same files",
         {{"base/words.dat", "learned"}, {"README.TXT", "mine"}},
         {{"base/Pause.Dat", "default pause"}, {"base/words.dat", "learned"}, {"README.TXT", "mine"}}},
        {"a complete folder", defaults, defaults},
    };
    const fs::path folder = tmp.path() / "home" / ".local" / "share" / "cpu-chat";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(tmp.path() / "home");
        for (const auto& [name, bytes] : row.before) tmp.write("home/.local/share/cpu-chat/" + name, bytes);
        EXPECT_EQ(chooseWorkingFolder(std::nullopt, where), folder);
        EXPECT_EQ(filesIn(folder), row.after);
        // The program rewrites what it learns, whatever mode the default files have.
        EXPECT_NE(fs::status(folder / "ReadMe.Txt").permissions() & fs::perms::owner_write, fs::perms::none);
    }
}

TEST_F(WorkingFolderTest, ACopyThatAFirstStartLeftHalfDoneIsRemovedAtTheNextStart) {
    // No process has an id above the kernel's largest, 4194304.
    const std::string dead = "9999999", alive = std::to_string(::getpid());
    const fs::path folder = tmp.path() / "home" / ".local" / "share" / "cpu-chat";
    const std::pair<std::string, bool> rows[] = {
        {"Base/Words.Dat.part" + dead, true},   {"ReadMe.Txt.part" + dead, true},
        {"Base/Words.Dat.part" + alive, false},  // its copier still at work
        {"Base/Notes.Dat.part" + dead, false},   // not of the default data
        {"Base/Words.Dat.partial", false},
    };
    for (const auto& [leftover, removed] : rows) {
        fs::remove_all(tmp.path() / "home");
        tmp.write(folder / "Base" / "Words.Dat", "learned");
        tmp.write(folder / leftover, "half a co");
        EXPECT_EQ(chooseWorkingFolder(std::nullopt, where), folder);
        EXPECT_EQ(fs::exists(folder / leftover), !removed) << leftover;
        EXPECT_EQ(filesIn(folder).at("Base/Words.Dat"), "learned");
    }
}

TEST_F(WorkingFolderTest, AFailureNamesThePathAndTheReasonAndChangesNothing) {
    tmp.write("home/.local", "a file where a folder should be");
    EXPECT_EQ(failure(), (tmp.path() / "home/.local/share/cpu-chat").string() + ": Not a directory");
    EXPECT_EQ(tmp.read("home/.local"), "a file where a folder should be");

    where.defaultData = tmp.path() / "missing";
    where.dataHome = (tmp.path() / "data").string();
    EXPECT_EQ(failure(), (tmp.path() / "missing").string() + ": the program's default data are missing");
    EXPECT_FALSE(fs::exists(tmp.path() / "data"));

    where.dataHome.clear();
    where.home.clear();
    EXPECT_EQ(failure(), "$HOME: not set, and XDG_DATA_HOME names no absolute folder");
    EXPECT_EQ(failure(tmp.path() / "elsewhere"), "no failure");

    // A folder given on the command line is said to be wrong before anything starts.
    EXPECT_EQ(failure(tmp.path() / "given"), (tmp.path() / "given").string() + ": no such folder");
    EXPECT_FALSE(fs::exists(tmp.path() / "given"));
    EXPECT_EQ(failure(tmp.path() / "home/.local"), (tmp.path() / "home/.local").string() + ": not a folder");
}

TEST_F(WorkingFolderTest, NamesTheFilesAFolderLacksAsTheProgramSpellsThem) {
    struct Row {
        const char* name;
        Files present;
        std::vector<std::string> missing;
    };
    const Row rows[] = {
        {"everything", {}, {"Base\\Pause.Dat", "Base\\Words.Dat", "ReadMe.Txt"}},
        {"names in another case are there",
         {{"BASE/words.dat", "mine"}, {"readme.txt", "mine"}},
         {"Base\\Pause.Dat"}},
        {"nothing", {{"Base/Pause.Dat", "p"}, {"Base/Words.Dat", "w"}, {"ReadMe.Txt", "r"}}, {}},
    };
    const fs::path folder = tmp.path() / "old";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder);
        fs::create_directory(folder);
        for (const auto& [name, bytes] : row.present) tmp.write("old/" + name, bytes);
        EXPECT_EQ(missingFiles(folder, where.defaultData), row.missing);
    }
    EXPECT_EQ(describeMissing(folder, {"Base\\Pause.Dat", "ReadMe.Txt"}),
              "the working folder " + folder.string() + " lacks Base\\Pause.Dat, ReadMe.Txt");
    // Without the default data nothing tells what belongs.
    EXPECT_TRUE(missingFiles(folder, tmp.path() / "missing").empty());
}

}  // namespace
}  // namespace cpuchat
