#include "WorkingFolder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <system_error>
#include <vector>

#include "FileSystem.h"
#include "Text.h"

namespace cpuchat {

namespace fs = std::filesystem;

namespace {

// Where the default data lie seen from the executable's folder; the build puts them
// there in the build tree and installs them there.
constexpr char kDefaultDataFromBin[] = "../share/cpu-chat";

[[noreturn]] void fail(const fs::path& path, const std::string& reason) {
    throw WorkingFolderError(path.string() + ": " + reason);
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool holdsKnowledgeBase(const fs::path& current) {
    std::error_code ec;
    return !current.empty() && fs::is_regular_file(DiskFileSystem(current).resolve("Base\\Words.Dat"), ec);
}

void requireFolder(const fs::path& dir) {
    std::error_code ec;
    const fs::file_status status = fs::status(dir, ec);
    if (fs::is_directory(status)) return;
    if (fs::exists(status)) fail(dir, "not a folder");
    fail(dir, ec && ec != std::errc::no_such_file_or_directory ? ec.message() : "no such folder");
}

// The copy appears under its name whole or not at all, and never over a file that
// came meanwhile: a second copy of the program starting at the same moment neither
// reads half a file nor loses what the first one has begun to learn.
void copyWhole(const fs::path& from, const fs::path& to) {
    fs::path part = to;
    part += ".part" + std::to_string(::getpid());
    std::error_code ec;
    fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
    // The program rewrites the files it learns into, whatever their mode was here.
    if (!ec) fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    if (!ec && ::link(part.c_str(), to.c_str()) != 0 && errno != EEXIST)
        ec.assign(errno, std::generic_category());
    std::error_code ignored;
    fs::remove(part, ignored);
    if (ec) fail(to, ec.message());
}

// The process id in a name "<file>.part<pid>" that copyWhole() gives its copy, or 0.
pid_t copierOf(const std::string& name, std::string* file) {
    const std::size_t at = name.rfind(".part");
    if (at == std::string::npos || at == 0) return 0;
    const std::string digits = name.substr(at + 5);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    *file = name.substr(0, at);
    return static_cast<pid_t>(std::stol(digits));
}

// A first start killed while it copied the default data leaves its copy under the
// name copyWhole() gave it. Such leftovers are removed, and nothing else: a regular
// file of this user, named for a file of the default data, whose copier has ended
// (a second copy of the program may be filling the folder at this moment).
void removeInterruptedCopies(const fs::path& folder, const fs::path& defaults) {
    std::set<std::string> ours;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(defaults, fs::directory_options::follow_directory_symlink, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file())
            ours.insert(fileKey(fromUtf8(it->path().lexically_relative(defaults).string())));
    }
    std::vector<fs::path> leftovers;
    for (fs::recursive_directory_iterator it(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string file;
        const pid_t copier = copierOf(it->path().filename().string(), &file);
        const fs::path relative = it->path().lexically_relative(folder).parent_path() / file;
        if (copier == 0 || ours.count(fileKey(fromUtf8(relative.string()))) == 0) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (::kill(copier, 0) == 0 || errno == EPERM) continue;  // still at work
        leftovers.push_back(it->path());
    }
    for (const fs::path& leftover : leftovers) fs::remove(leftover, ec);
}

// A file of the default data that the working folder lacks.
struct Lacking {
    fs::path from;
    fs::path to;
    std::string name;  ///< relative, with "/"
};

std::vector<Lacking> lacking(const fs::path& folder, const fs::path& defaults, std::error_code& ec) {
    std::vector<Lacking> out;
    const DiskFileSystem files(folder);
    fs::recursive_directory_iterator it(defaults, fs::directory_options::follow_directory_symlink, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        // Matched without regard to case as the program reads it: "base/words.dat"
        // is the knowledge base, and a second "Base/Words.Dat" would hide it.
        std::string name = it->path().lexically_relative(defaults).generic_string();
        fs::path target = files.resolve(fromUtf8(name));
        if (!fs::exists(fs::symlink_status(target)))
            out.push_back({it->path(), std::move(target), std::move(name)});
    }
    return out;
}

void fill(const fs::path& folder, const fs::path& defaults) {
    std::error_code ec;
    if (!fs::is_directory(defaults, ec)) fail(defaults, "the program's default data are missing");
    fs::create_directories(folder, ec);
    if (ec) fail(folder, ec.message());
    removeInterruptedCopies(folder, defaults);
    const std::vector<Lacking> missing = lacking(folder, defaults, ec);
    if (ec) fail(defaults, ec.message());
    for (const Lacking& file : missing) {
        fs::create_directories(file.to.parent_path(), ec);
        if (ec) fail(file.to.parent_path(), ec.message());
        copyWhole(file.from, file.to);
    }
}

}  // namespace

Surroundings Surroundings::ofProcess() {
    Surroundings s;
    std::error_code ec;
    s.current = fs::current_path(ec);
    s.dataHome = env("XDG_DATA_HOME");
    s.home = env("HOME");
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) s.defaultData = (exe.parent_path() / kDefaultDataFromBin).lexically_normal();
    return s;
}

fs::path chooseWorkingFolder(const std::optional<fs::path>& dir, const Surroundings& where) {
    if (dir) {
        requireFolder(*dir);
        return *dir;
    }
    if (holdsKnowledgeBase(where.current)) return where.current;
    fs::path dataHome = where.dataHome;
    if (!dataHome.is_absolute()) {
        if (where.home.empty()) fail("$HOME", "not set, and XDG_DATA_HOME names no absolute folder");
        dataHome = fs::path(where.home) / ".local" / "share";
    }
    const fs::path folder = dataHome / "cpu-chat";
    fill(folder, where.defaultData);
    return folder;
}

std::vector<std::string> missingFiles(const fs::path& folder, const fs::path& defaults) {
    std::error_code ec;
    std::vector<std::string> names;
    for (Lacking& file : lacking(folder, defaults, ec)) {
        std::replace(file.name.begin(), file.name.end(), '/', '\\');
        names.push_back(std::move(file.name));
    }
    if (ec) return {};
    std::sort(names.begin(), names.end());
    return names;
}

std::string describeMissing(const fs::path& folder, const std::vector<std::string>& missing) {
    std::string line = "the working folder " + folder.string() + " lacks ";
    for (std::size_t i = 0; i < missing.size(); ++i) line += (i ? ", " : "") + missing[i];
    return line;
}

}  // namespace cpuchat
