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
#include <thread>
#include <vector>

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

int openRegularFile(const std::filesystem::path& path, SystemCalls& sys) noexcept {
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
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

FileLock FileSystem::lock(std::string_view) { return {}; }

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

std::string DiskFileSystem::read(std::string_view name) {
    Fd fd(openRegularFile(resolve(name), *sys_));
    if (fd.get() < 0) throwCannotOpen(name);
    std::string bytes;
    struct stat st {};
    if (sys_->fstat(fd.get(), &st) == 0) bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    if (!readRest(*sys_, fd.get(), bytes)) throwCannotOpen(name);
    return bytes;
}

std::optional<std::string> DiskFileSystem::readIfChanged(std::string_view name, std::string_view known) {
    Fd fd(openRegularFile(resolve(name), *sys_));
    if (fd.get() < 0) throwCannotOpen(name);
    // Compare chunk by chunk, so an unchanged file costs one read and no copy.
    std::size_t chunk = 0;
    const auto buf = chunkFor(*sys_, fd.get(), &chunk);
    std::size_t at = 0;
    for (;;) {
        const ssize_t n = readFull(*sys_, fd.get(), buf.get(), chunk);
        if (n < 0) throwCannotOpen(name);
        const auto got = static_cast<std::size_t>(n);
        const bool same = at + got <= known.size() && std::memcmp(buf.get(), known.data() + at, got) == 0;
        if (!same) {
            std::string bytes;
            bytes.reserve(std::max(known.size(), at + got));
            bytes.append(known.substr(0, at));
            bytes.append(buf.get(), got);
            if (got == chunk && !readRest(*sys_, fd.get(), bytes)) throwCannotOpen(name);
            return bytes;
        }
        at += got;
        if (got < chunk) {
            if (at == known.size()) return std::nullopt;
            return std::string(known.substr(0, at));  // the file became shorter
        }
    }
}

FileLock DiskFileSystem::lock(std::string_view name) {
    const std::filesystem::path path = resolve(name);
    const auto deadline = std::chrono::steady_clock::now() + lockWait_;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        Fd fd(openRegularFile(path, *sys_));
        if (fd.get() < 0) return {};  // the read or write that follows names the failure
        while (sys_->flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) throwCannotCreate(name);
            if (std::chrono::steady_clock::now() >= deadline) throwCannotCreate(name);
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(20));
        }
        // The copy that held the lock may have renamed a new file over the one this
        // copy waited for: then the lock guards nothing, and the new file is locked.
        struct stat held {}, now {};
        if (sys_->fstat(fd.get(), &held) == 0 && sys_->fstatat(AT_FDCWD, path.c_str(), &now, 0) == 0 &&
            held.st_ino == now.st_ino && held.st_dev == now.st_dev) {
            return FileLock(fd.release());
        }
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
    DIR* dir = ::fdopendir(::dup(folder));
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
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
    ::closedir(dir);
}

// Rewrites `target` in place; on failure puts the old content back as far as the
// system lets it. For a folder the program may write files in but not create them.
bool rewriteInPlace(SystemCalls& sys, const std::filesystem::path& target, const struct stat& expected,
                    std::string_view bytes) {
    Fd fd(sys.open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
    struct stat st {};
    if (fd.get() < 0 || sys.fstat(fd.get(), &st) != 0 || st.st_ino != expected.st_ino ||
        st.st_dev != expected.st_dev) {
        return false;
    }
    std::string old;
    if (!readRest(sys, fd.get(), old)) return false;
    // Ask for the room first, so that a full disk fails before anything changes.
    if (bytes.size() > old.size() &&
        sys.fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        errno != EOPNOTSUPP) {
        return false;
    }
    const auto put = [&](std::string_view content) {
        return sys.lseek(fd.get(), 0, SEEK_SET) == 0 && writeAll(sys, fd.get(), content) &&
               sys.ftruncate(fd.get(), static_cast<off_t>(content.size())) == 0 && sys.fsync(fd.get()) == 0;
    };
    if (put(bytes)) return true;
    put(old);
    return false;
}

}  // namespace

void DiskFileSystem::replace(std::string_view name, std::string_view bytes) {
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
    removeLeftovers(*sys_, folder.get(), targetName);

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
    if (sys_->renameat(folder.get(), tempName.c_str(), folder.get(), targetName.c_str()) != 0) fail();
    // The new content is in place; a folder whose entry cannot be flushed (some file
    // systems refuse fsync on a folder) still holds it.
    sys_->fsync(folder.get());
}

}  // namespace cpuchat
