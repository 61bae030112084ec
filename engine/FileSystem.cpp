#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "InPlaceRewrite.h"
#include "LockWait.h"
#include "Text.h"

namespace cpuchat {

namespace {

std::string messageFor(FileError::Kind kind, std::string_view name) {
    std::string m = kind == FileError::Kind::Open ? "Cannot open file " : "Cannot create file ";
    m += name;
    return m;
}

// Closes a descriptor on every path out of a function.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool writeAll(SystemCalls& sys, int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = sys.write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads up to `want` bytes; fewer only at the end of the file. -1 on error.
ssize_t readFull(SystemCalls& sys, int fd, char* buf, std::size_t want) {
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = sys.read(fd, buf + got, want - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// Small enough to stay in the processor cache between the read and the comparison.
constexpr std::size_t kChunk = 256 << 10;

// A read buffer of at most one chunk, sized for the file so that small files cost
// little, and not zero-filled.
std::unique_ptr<char[]> chunkFor(SystemCalls& sys, int fd, std::size_t* size) {
    struct stat st {};
    const std::size_t expected = sys.fstat(fd, &st) == 0 ? static_cast<std::size_t>(st.st_size) : kChunk;
    *size = std::min(kChunk, expected + 1);
    return std::unique_ptr<char[]>(new char[*size]);
}

bool readRest(SystemCalls& sys, int fd, std::string& out) {
    std::size_t chunk = 0;
    const auto buf = chunkFor(sys, fd, &chunk);
    for (;;) {
        const ssize_t n = readFull(sys, fd, buf.get(), chunk);
        if (n < 0) return false;
        out.append(buf.get(), static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(n) < chunk) return true;
    }
}

}  // namespace

int openRegularFile(const std::filesystem::path& path, SystemCalls& sys) {
    const int fd = sys.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0) return -1;
    struct stat st {};
    if (sys.fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FileError::FileError(Kind kind, std::string_view name)
    : std::runtime_error(messageFor(kind, name)), kind_(kind), name_(name) {}

void throwCannotOpen(std::string_view name) { throw FileError(FileError::Kind::Open, name); }
void throwCannotCreate(std::string_view name) { throw FileError(FileError::Kind::Create, name); }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        released_ = std::exchange(other.released_, {});
    }
    return *this;
}

void FileLock::release() noexcept {
    if (fd_ < 0) return;
    if (released_) released_();
    ::close(std::exchange(fd_, -1));
}

FileLock FileSystem::lock(std::string_view) { return {}; }

std::string FileSystem::readVersioned(std::string_view name, FileVersion& version) {
    version = {};
    return read(name);
}

std::optional<std::string> FileSystem::readIfChangedSince(std::string_view name, std::string_view known,
                                                          FileVersion& version) {
    version = {};
    return readIfChanged(name, known);
}

void FileSystem::replaceVersioned(std::string_view name, std::string_view bytes, FileVersion& version) {
    version = {};
    replace(name, bytes);
}

std::optional<std::string> FileSystem::readIfChanged(std::string_view name, std::string_view known) {
    std::string bytes = read(name);
    if (bytes == known) return std::nullopt;
    return bytes;
}

DiskFileSystem::DiskFileSystem(std::filesystem::path root, std::chrono::milliseconds lockWait,
                               SystemCalls& calls)
    : root_(std::move(root)), lockWait_(lockWait), sys_(&calls) {}

std::vector<std::string_view> nameParts(std::string_view name) {
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
        name.remove_prefix(2);  // "D:\Txt.Dat" names Txt.Dat in the working directory
    }
    std::vector<std::string_view> parts;
    while (!name.empty()) {
        const std::size_t sep = name.find_first_of("\\/");
        const std::string_view part = name.substr(0, sep);
        name = sep == std::string_view::npos ? std::string_view{} : name.substr(sep + 1);
        if (!part.empty() && part != ".") parts.push_back(part);
    }
    return parts;
}

std::string fileKey(std::string_view name) {
    std::string key;
    key.reserve(name.size());
    for (const std::string_view part : nameParts(name)) {
        if (!key.empty()) key += '\\';
        key += part;
    }
    return toUpper(key);
}

std::filesystem::path DiskFileSystem::resolve(std::string_view name) const {
    if (name.starts_with('/')) return std::filesystem::path(toUtf8(name));
    std::filesystem::path at = root_;
    for (const std::string_view part : nameParts(name)) {
        std::filesystem::path exact = at / toUtf8(part);
        struct stat st {};
        if (part == ".." || sys_->fstatat(AT_FDCWD, exact.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            at = std::move(exact);
            continue;
        }
        // Names are compared without regard to case, as on the platform the files
        // come from; the first match in name order wins when several differ in case.
        const std::string wanted = toUpper(part);
        std::vector<std::string> matches;
        if (DIR* dir = ::opendir(at.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                if (toUpper(fromUtf8(entry->d_name)) == wanted) matches.emplace_back(entry->d_name);
            }
            ::closedir(dir);
        }
        if (matches.empty()) {
            at = std::move(exact);
        } else {
            std::sort(matches.begin(), matches.end());
            at /= matches.front();
        }
    }
    return at;
}

namespace {

std::optional<std::pair<dev_t, ino_t>> fileId(SystemCalls& sys, int fd) {
    struct stat st {};
    if (sys.fstat(fd, &st) != 0) return std::nullopt;
    return std::pair(st.st_dev, st.st_ino);
}

// True when `path` names the file open at `fd`. The copy that held the lock may have
// renamed a new file over the one this copy waited for: then the lock guards nothing.
bool namesFile(SystemCalls& sys, int fd, const std::filesystem::path& path) {
    struct stat now {};
    const auto held = fileId(sys, fd);
    return held && sys.fstatat(AT_FDCWD, path.c_str(), &now, 0) == 0 &&
           *held == std::pair(now.st_dev, now.st_ino);
}

std::int64_t nanoseconds(const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Now, on the clock the kernel stamps files from (it may lag behind this one by a tick,
// which the granularity covers).
std::int64_t wallClockNow() {
    struct timespec t {};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

// The version of the file open at `fd`, taken at `takenAt`; not known when fstat fails.
FileVersion versionOf(SystemCalls& sys, int fd, std::int64_t takenAt) {
    struct stat st {};
    if (sys.fstat(fd, &st) != 0) return {};
    FileVersion v;
    v.device = static_cast<std::uint64_t>(st.st_dev);
    v.inode = static_cast<std::uint64_t>(st.st_ino);
    v.size = static_cast<std::int64_t>(st.st_size);
    v.modified = nanoseconds(st.st_mtim);
    v.changed = nanoseconds(st.st_ctim);
    v.takenAt = takenAt;
    return v;
}

}  // namespace

// A file open for reading under a shared lock, or under the exclusive lock that this
// object holds already (a change reads the file it has locked).
class DiskFileSystem::Reading {
public:
    Reading(DiskFileSystem& disk, std::string_view name)
        : disk_(disk), name_(name), path_(disk.resolve(name)) {
        SystemCalls& sys = *disk_.sys_;
        for (;;) {
            fd_.reset(openRegularFile(path_, sys));
            if (fd_.get() < 0) throwCannotOpen(name_);
            const auto id = fileId(sys, fd_.get());
            if (id && disk_.held_->count(*id) != 0) {
                exclusive_ = true;
                return;
            }
            if (!waitFor(LOCK_SH)) throwCannotOpen(name_);
            if (namesFile(sys, fd_.get(), path_)) return;
        }
    }

    int fd() const { return fd_.get(); }

    // The content the program reads for `bytes`, the whole file: when a crash
    // interrupted a rewrite in place, the version it stands for, and the file is
    // tidied up when this copy may write it.
    std::string settle(std::string bytes) {
        if (!inplace::interrupted(bytes)) return bytes;
        SystemCalls& sys = *disk_.sys_;
        // Tidying up needs the exclusive lock. Taking it lets the shared one go for a
        // moment, in which another copy may have tidied up or changed the file.
        if (!exclusive_ && waitFor(LOCK_EX)) {
            exclusive_ = true;
            std::string again;
            if (sys.lseek(fd_.get(), 0, SEEK_SET) != 0 || !readRest(sys, fd_.get(), again))
                throwCannotOpen(name_);
            bytes = std::move(again);
            if (!inplace::interrupted(bytes)) return bytes;
        }
        if (exclusive_) {
            Fd writable(sys.open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK, 0));
            if (writable.get() >= 0 && fileId(sys, writable.get()) == fileId(sys, fd_.get())) {
                inplace::recover(sys, writable.get(), bytes);
            }
        }
        return std::string(inplace::wholeVersion(bytes));
    }

private:
    bool waitFor(int operation) {
        return waitForLock(*disk_.sys_, fd_.get(), operation, disk_.lockWait_) == LockWaitResult::Held;
    }

    DiskFileSystem& disk_;
    std::string_view name_;
    std::filesystem::path path_;
    Fd fd_;
    bool exclusive_ = false;
};

std::string DiskFileSystem::read(std::string_view name) {
    Reading file(*this, name);
    std::string bytes;
    struct stat st {};
    if (sys_->fstat(file.fd(), &st) == 0) bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    if (!readRest(*sys_, file.fd(), bytes)) throwCannotOpen(name);
    return file.settle(std::move(bytes));
}

std::string DiskFileSystem::readVersioned(std::string_view name, FileVersion& version) {
    // Taken before the file is looked at: a change the bytes read miss comes after it.
    const std::int64_t takenAt = wallClockNow();
    Reading file(*this, name);
    const FileVersion now = versionOf(*sys_, file.fd(), takenAt);
    std::string bytes;
    if (now.known()) bytes.reserve(static_cast<std::size_t>(now.size) + 1);
    if (!readRest(*sys_, file.fd(), bytes)) throwCannotOpen(name);
    bytes = file.settle(std::move(bytes));
    version = now;
    return bytes;
}

std::optional<std::string> DiskFileSystem::readIfChanged(std::string_view name, std::string_view known) {
    FileVersion none;
    return readIfChangedSince(name, known, none);
}

std::optional<std::string> DiskFileSystem::readIfChangedSince(std::string_view name, std::string_view known,
                                                              FileVersion& version) {
    const std::int64_t takenAt = wallClockNow();
    Reading file(*this, name);
    const FileVersion now = versionOf(*sys_, file.fd(), takenAt);
    if (version.vouchesFor(now)) return std::nullopt;
    version = {};  // known again only once the bytes are read
    // Compare chunk by chunk, so an unchanged file costs one read and no copy.
    std::size_t chunk = 0;
    const auto buf = chunkFor(*sys_, file.fd(), &chunk);
    std::size_t at = 0;
    std::string bytes;
    for (;;) {
        const ssize_t n = readFull(*sys_, file.fd(), buf.get(), chunk);
        if (n < 0) throwCannotOpen(name);
        const auto got = static_cast<std::size_t>(n);
        const bool same = at + got <= known.size() && std::memcmp(buf.get(), known.data() + at, got) == 0;
        if (!same) {
            bytes.reserve(std::max(known.size(), at + got));
            bytes.append(known.substr(0, at));
            bytes.append(buf.get(), got);
            if (got == chunk && !readRest(*sys_, file.fd(), bytes)) throwCannotOpen(name);
            break;
        }
        at += got;
        if (got < chunk) {
            if (at == known.size()) {
                version = now;
                return std::nullopt;
            }
            bytes = known.substr(0, at);  // the file became shorter
            break;
        }
    }
    bytes = file.settle(std::move(bytes));
    version = now;
    if (bytes == known) return std::nullopt;
    return bytes;
}

FileLock DiskFileSystem::lock(std::string_view name) {
    const std::filesystem::path path = resolve(name);
    for (;;) {
        Fd fd(openRegularFile(path, *sys_));
        if (fd.get() < 0) return {};  // the read or write that follows names the failure
        const auto id = fileId(*sys_, fd.get());
        if (!id) return {};
        // A change within a change of the same file holds the lock already; with
        // flock() a second descriptor of this copy would wait for the first for ever.
        if (held_->count(*id) == 0) {
            if (waitForLock(*sys_, fd.get(), LOCK_EX, lockWait_) != LockWaitResult::Held)
                throwCannotCreate(name);
            if (!namesFile(*sys_, fd.get(), path)) continue;
        }
        ++(*held_)[*id];
        return FileLock(fd.release(), [held = held_, id = *id] {
            if (--(*held)[id] == 0) held->erase(id);
        });
    }
}

namespace {

constexpr std::string_view kTempSuffix = ".cpu-chat-tmp";
constexpr std::size_t kTempRandomChars = 16;

// ".Words.Dat.<16 hex digits>.cpu-chat-tmp": a name nobody can guess in advance.
std::string temporaryName(const std::string& target) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::random_device device;
    std::string name = "." + target + ".";
    for (std::size_t i = 0; i < kTempRandomChars; i += 8) {
        std::uint32_t bits = device();
        for (int k = 0; k < 8; ++k, bits >>= 4) name += kHex[bits & 0xF];
    }
    name += kTempSuffix;
    return name;
}

// A temporary file of ours for `target`: our random pattern, or the one fixed name
// earlier versions used.
bool isTemporaryNameOf(std::string_view entry, const std::string& target) {
    const std::string head = "." + target;
    if (!entry.starts_with(head) || !entry.ends_with(kTempSuffix)) return false;
    std::string_view middle = entry.substr(head.size(), entry.size() - head.size() - kTempSuffix.size());
    if (middle.empty()) return true;
    if (middle.size() != kTempRandomChars + 1 || middle[0] != '.') return false;
    middle.remove_prefix(1);
    return std::all_of(middle.begin(), middle.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Removes what a crashed write of `target` left in `folder`: only regular files of
// ours, with no other name, that no live writer holds. Anything else stays.
void removeLeftovers(SystemCalls& sys, int folder, const std::string& target) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(::dup(folder)), ::closedir);
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!isTemporaryNameOf(entry->d_name, target)) continue;
        struct stat st {};
        if (sys.fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || st.st_nlink != 1) {
            continue;
        }
        Fd fd(sys.openat(folder, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
        if (fd.get() < 0 || sys.flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;  // a writer is at work
        sys.unlinkat(folder, entry->d_name, 0);
    }
}

// Rewrites `target` in place, the crash-safe way; false when the file keeps its old
// content. For a folder in which the program may write the target but may not create
// a file or rename one over it.
bool rewriteInPlace(SystemCalls& sys, const std::filesystem::path& target, const struct stat& expected,
                    std::string_view bytes) {
    Fd fd(sys.open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
    struct stat st {};
    if (fd.get() < 0 || sys.fstat(fd.get(), &st) != 0 || st.st_ino != expected.st_ino ||
        st.st_dev != expected.st_dev) {
        return false;
    }
    return inplace::rewrite(sys, fd.get(), bytes);
}

}  // namespace

void DiskFileSystem::replace(std::string_view name, std::string_view bytes) {
    FileVersion ignored;
    replaceVersioned(name, bytes, ignored);
}

void DiskFileSystem::replaceVersioned(std::string_view name, std::string_view bytes, FileVersion& version) {
    version = {};
    const std::int64_t takenAt = wallClockNow();
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(resolve(name), ec);
    if (ec) throwCannotCreate(name);  // the program never creates a data file
    struct stat st {};
    if (sys_->fstatat(AT_FDCWD, target.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) throwCannotCreate(name);
    {
        // A read-only file is refused even where its folder would allow a rename.
        Fd probe(sys_->open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK, 0));
        if (probe.get() < 0) throwCannotCreate(name);
    }
    Fd folder(sys_->open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (folder.get() < 0) throwCannotCreate(name);
    const std::string targetName = target.filename().string();
    // What a crashed write left is removed at the first replace of the file in a run.
    if (tidied_.insert(target.string()).second) removeLeftovers(*sys_, folder.get(), targetName);

    // O_EXCL with O_NOFOLLOW: nothing planted at the name (a link, a folder, another
    // user's file) is ever opened or written through; a taken name is passed over.
    std::string tempName;
    Fd fd;
    for (int attempt = 0; fd.get() < 0; ++attempt) {
        tempName = temporaryName(targetName);
        fd.reset(sys_->openat(folder.get(), tempName.c_str(),
                              O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.get() >= 0) break;
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            if (rewriteInPlace(*sys_, target, st, bytes)) return;
            throwCannotCreate(name);
        }
        if (error != EEXIST || attempt >= 16) throwCannotCreate(name);
    }
    // Held while writing, so that another copy's clean-up leaves this file alone.
    sys_->flock(fd.get(), LOCK_EX | LOCK_NB);
    const auto fail = [&] {
        sys_->unlinkat(folder.get(), tempName.c_str(), 0);
        throwCannotCreate(name);
    };
    if (!writeAll(*sys_, fd.get(), bytes)) fail();
    if (sys_->fchmod(fd.get(), st.st_mode & 07777) != 0) fail();
    if (::geteuid() == 0) {
        [[maybe_unused]] int ignored = sys_->fchown(fd.get(), st.st_uid, st.st_gid);
    }
    if (sys_->fsync(fd.get()) != 0) fail();
    if (sys_->renameat(folder.get(), tempName.c_str(), folder.get(), targetName.c_str()) != 0) {
        const int error = errno;
        sys_->unlinkat(folder.get(), tempName.c_str(), 0);
        // A sticky folder lets nobody rename over another user's file, though that
        // user may let the program write it.
        if ((error == EPERM || error == EACCES) && rewriteInPlace(*sys_, target, st, bytes)) return;
        throwCannotCreate(name);
    }
    // The new content is in place; a folder whose entry cannot be flushed (some file
    // systems refuse fsync on a folder) still holds it.
    sys_->fsync(folder.get());
    // After the rename, which sets the change time; anything that changes the file
    // later gives another version, or one too recent to vouch for it.
    version = versionOf(*sys_, fd.get(), takenAt);
}

}  // namespace cpuchat
