#pragma once
// File access of the program. Files are named as the program spells them,
// Windows-style and relative to the working directory ("Base\Words.Dat"); the
// failures carry the program's two messages with that spelling.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "SystemCalls.h"

namespace cpuchat {

/// A file that cannot be read ("Cannot open file %s") or written ("Cannot create
/// file %s"). The message is Windows-1251 text.
class FileError : public std::runtime_error {
public:
    enum class Kind { Open, Create };
    FileError(Kind kind, std::string_view name);
    Kind kind() const noexcept { return kind_; }
    const std::string& name() const noexcept { return name_; }

private:
    Kind kind_;
    std::string name_;
};

/// The folders and the file of a name as the program spells it: a drive prefix ("D:")
/// dropped, since the program's files lie under the working directory; "\" and "/"
/// both separate; empty and "." parts dropped. Each part keeps its spelling.
std::vector<std::string_view> nameParts(std::string_view name);

/// One key for every spelling of one name, as the program compares names: its parts
/// joined with "\" and upper-cased ("D:\base//words.dat" and "Base\Words.DAT" both
/// give "BASE\WORDS.DAT").
std::string fileKey(std::string_view name);

[[noreturn]] void throwCannotOpen(std::string_view name);
[[noreturn]] void throwCannotCreate(std::string_view name);

/// Held by a copy of the program while it changes one file, from the read that the
/// change is based on to the write; released when destroyed. Every copy honours it,
/// so no copy's change is lost to another's, and no reader sees a change half made.
class FileLock {
public:
    FileLock() = default;
    /// Holds descriptor `fd` and its lock; `released` runs when the lock goes.
    explicit FileLock(int fd, std::function<void()> released = {}) noexcept
        : fd_(fd), released_(std::move(released)) {}
    FileLock(FileLock&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), released_(std::exchange(other.released_, {})) {}
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }
    bool held() const noexcept { return fd_ >= 0; }

private:
    void release() noexcept;
    int fd_ = -1;
    std::function<void()> released_;
};

/// What a file was when its content was read or written, as the file system tells it
/// without reading the content: which file (device, inode) and its size, modification
/// and change times (nanoseconds since the epoch), with the time it was taken.
/// A version that is not known (a file system that keeps none) vouches for nothing.
struct FileVersion {
    /// How close to the time a version was taken a change may leave the file's times as
    /// they were: timestamps are cut to the file system's granularity (2 s on FAT, one
    /// clock tick on others) and come from a clock that may lag behind the one read here.
    static constexpr std::int64_t kGranularityNs = 2'000'000'000;

    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1;  // -1: not known
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    std::int64_t takenAt = 0;  // taken no later than the content it stands for was read

    bool known() const noexcept { return size >= 0; }
    bool sameAs(const FileVersion& o) const noexcept {
        return known() && device == o.device && inode == o.inode && size == o.size && modified == o.modified &&
               changed == o.changed;
    }
    /// True when a file that is `now` still holds the content this version was taken
    /// with. The change time cannot be set back, so a change made after the version
    /// was taken gives another one; but a change within the granularity of the time
    /// the content was read may leave both times as they were, so a file changed that
    /// recently ("racily clean") is never vouched for and is read again.
    bool vouchesFor(const FileVersion& now) const noexcept {
        return sameAs(now) && modified < takenAt - kGranularityNs && changed < takenAt - kGranularityNs;
    }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    /// The whole content of file `name`; throws FileError(Open).
    virtual std::string read(std::string_view name) = 0;
    /// nullopt when file `name` holds exactly `known`, else its whole content; throws
    /// FileError(Open). Lets a caller keep what it decoded from a file without ever
    /// missing a change to it.
    virtual std::optional<std::string> readIfChanged(std::string_view name, std::string_view known);
    /// As read(), and sets `version` to the file's version as read (not known when the
    /// file system keeps none).
    virtual std::string readVersioned(std::string_view name, FileVersion& version);
    /// As readIfChanged(), without reading the file when `version` (of `known`) vouches
    /// for it (FileVersion::vouchesFor); `version` becomes the file's version now.
    virtual std::optional<std::string> readIfChangedSince(std::string_view name, std::string_view known,
                                                          FileVersion& version);
    /// As replace(), and sets `version` to the version of the content written.
    virtual void replaceVersioned(std::string_view name, std::string_view bytes, FileVersion& version);
    /// Replaces the whole content of the existing file `name`; throws FileError(Create)
    /// and then leaves the file as it was. Never creates a file.
    virtual void replace(std::string_view name, std::string_view bytes) = 0;
    /// Waits until no other copy of the program is reading or changing file `name`,
    /// and keeps the others waiting until the lock is destroyed. Throws
    /// FileError(Create) when the wait grows too long. A file that cannot be opened
    /// gives an empty lock: the read or write that follows reports it.
    virtual FileLock lock(std::string_view name);
};

/// Opens `path` for reading without ever blocking (a FIFO or a device never holds
/// the program up) and only when it is a regular file; -1 otherwise.
int openRegularFile(const std::filesystem::path& path, SystemCalls& calls = SystemCalls::real());

/// The real file system under a working directory.
///
/// Every read holds a shared lock on the file and every change the exclusive one
/// (lock()), so a reader never sees a rewrite in progress. Waits for another copy
/// block until it lets go, up to a bound.
class DiskFileSystem : public FileSystem {
public:
    /// `lockWait`: how long a read or lock() waits for another copy of the program
    /// before it gives up. `calls`: what it reaches the disk through.
    explicit DiskFileSystem(std::filesystem::path root,
                            std::chrono::milliseconds lockWait = std::chrono::seconds(60),
                            SystemCalls& calls = SystemCalls::real());

    /// Under a shared lock; a rewrite in place that a crash interrupted is finished
    /// or undone first (or, when this copy may not write the file, read as the
    /// version it stands for).
    std::string read(std::string_view name) override;
    std::optional<std::string> readIfChanged(std::string_view name, std::string_view known) override;
    std::string readVersioned(std::string_view name, FileVersion& version) override;
    /// Takes the version from the open file under its shared lock; the file's bytes are
    /// read and compared only when the version does not vouch for them.
    std::optional<std::string> readIfChangedSince(std::string_view name, std::string_view known,
                                                  FileVersion& version) override;
    void replaceVersioned(std::string_view name, std::string_view bytes, FileVersion& version) override;
    /// Atomic: a temporary file in the same folder is written, flushed to disk and
    /// renamed over the target, so a crash or a full disk leaves the old or the new
    /// content, never a mix. The temporary file is created under a name nobody can
    /// guess and never through anything that was there before; a temporary file a
    /// crash left beside the target is removed. Where the folder lets the program
    /// write the target but not create a file or rename over it (a shared
    /// installation, a sticky folder holding another user's file), the target is
    /// rewritten in place in a way that survives a crash too (InPlaceRewrite.h).
    void replace(std::string_view name, std::string_view bytes) override;
    /// An exclusive flock() on the file itself, taken again when the file was
    /// replaced while this copy waited, so it holds the file the path names now.
    FileLock lock(std::string_view name) override;

    /// Where file `name` lies: "\" and "/" separate, a drive prefix ("D:\") is
    /// dropped, a name that does not exist as spelled is matched case-insensitively
    /// against the folder's entries, and an absolute POSIX path stands as it is.
    std::filesystem::path resolve(std::string_view name) const;

    const std::filesystem::path& root() const noexcept { return root_; }

private:
    class Reading;
    /// The files whose exclusive lock this object holds, by device and inode, with
    /// how many times: a read of such a file needs no lock of its own.
    using HeldLocks = std::map<std::pair<dev_t, ino_t>, int>;

    std::filesystem::path root_;
    std::chrono::milliseconds lockWait_;
    SystemCalls* sys_;
    std::shared_ptr<HeldLocks> held_ = std::make_shared<HeldLocks>();
    // The folders and names whose leftovers of a crashed write were removed in this
    // run: a folder is listed once per file, not at every replace.
    std::set<std::string> tidied_;
};

}  // namespace cpuchat
