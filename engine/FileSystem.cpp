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
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads up to `want` bytes; fewer only at the end of the file. -1 on error.
ssize_t readFull(int fd, char* buf, std::size_t want) {
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, buf + got, want - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// Opens a regular file for reading; -1 for anything else (a folder, a device).
int openRegular(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Small enough to stay in the processor cache between the read and the comparison.
constexpr std::size_t kChunk = 256 << 10;

// A read buffer of at most one chunk, sized for the file so that small files cost
// little, and not zero-filled.
std::unique_ptr<char[]> chunkFor(int fd, std::size_t* size) {
    struct stat st {};
    const std::size_t expected = ::fstat(fd, &st) == 0 ? static_cast<std::size_t>(st.st_size) : kChunk;
    *size = std::min(kChunk, expected + 1);
    return std::unique_ptr<char[]>(new char[*size]);
}

bool readRest(int fd, std::string& out) {
    std::size_t chunk = 0;
    const auto buf = chunkFor(fd, &chunk);
    for (;;) {
        const ssize_t n = readFull(fd, buf.get(), chunk);
        if (n < 0) return false;
        out.append(buf.get(), static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(n) < chunk) return true;
    }
}

}  // namespace

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

DiskFileSystem::DiskFileSystem(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path DiskFileSystem::resolve(std::string_view name) const {
    if (name.starts_with('/')) return std::filesystem::path(toUtf8(name));
    std::string_view rest = name;
    if (rest.size() >= 2 && rest[1] == ':' &&
        ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
        rest.remove_prefix(2);  // "D:\Txt.Dat" names Txt.Dat in the working directory
    }
    std::filesystem::path at = root_;
    while (!rest.empty()) {
        const std::size_t sep = rest.find_first_of("\\/");
        const std::string_view part = rest.substr(0, sep);
        rest = sep == std::string_view::npos ? std::string_view{} : rest.substr(sep + 1);
        if (part.empty() || part == ".") continue;
        std::filesystem::path exact = at / toUtf8(part);
        struct stat st {};
        if (part == ".." || ::lstat(exact.c_str(), &st) == 0) {
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
    Fd fd(openRegular(resolve(name)));
    if (fd.get() < 0) throwCannotOpen(name);
    std::string bytes;
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0) bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
    if (!readRest(fd.get(), bytes)) throwCannotOpen(name);
    return bytes;
}

std::optional<std::string> DiskFileSystem::readIfChanged(std::string_view name, std::string_view known) {
    Fd fd(openRegular(resolve(name)));
    if (fd.get() < 0) throwCannotOpen(name);
    // Compare chunk by chunk, so an unchanged file costs one read and no copy.
    std::size_t chunk = 0;
    const auto buf = chunkFor(fd.get(), &chunk);
    std::size_t at = 0;
    for (;;) {
        const ssize_t n = readFull(fd.get(), buf.get(), chunk);
        if (n < 0) throwCannotOpen(name);
        const auto got = static_cast<std::size_t>(n);
        const bool same = at + got <= known.size() && std::memcmp(buf.get(), known.data() + at, got) == 0;
        if (!same) {
            std::string bytes;
            bytes.reserve(std::max(known.size(), at + got));
            bytes.append(known.substr(0, at));
            bytes.append(buf.get(), got);
            if (got == chunk && !readRest(fd.get(), bytes)) throwCannotOpen(name);
            return bytes;
        }
        at += got;
        if (got < chunk) {
            if (at == known.size()) return std::nullopt;
            return std::string(known.substr(0, at));  // the file became shorter
        }
    }
}

void DiskFileSystem::replace(std::string_view name, std::string_view bytes) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(resolve(name), ec);
    if (ec) throwCannotCreate(name);  // the program never creates a data file
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throwCannotCreate(name);
    {
        // A read-only file is refused even where its folder would allow a rename.
        Fd probe(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
        if (probe.get() < 0) throwCannotCreate(name);
    }
    const std::filesystem::path folder = target.parent_path();
    // One temporary name per target: a temporary file left by a crash is reused by
    // the next write instead of piling up.
    std::string tempName = ".";
    tempName += target.filename().string();
    tempName += ".cpu-chat-tmp";
    const std::filesystem::path temp = folder / tempName;
    Fd fd;
    for (int attempt = 0;; ++attempt) {
        fd.reset(::open(temp.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fd.get() < 0) throwCannotCreate(name);
        // Another copy of the program may be writing the same file: take the
        // temporary file's lock, and start again if it was renamed meanwhile.
        if (::flock(fd.get(), LOCK_EX) != 0) throwCannotCreate(name);
        struct stat held {}, now {};
        if (::fstat(fd.get(), &held) == 0 && ::stat(temp.c_str(), &now) == 0 && held.st_ino == now.st_ino &&
            held.st_dev == now.st_dev) {
            break;
        }
        if (attempt > 100) throwCannotCreate(name);
    }
    const auto fail = [&] {
        ::unlink(temp.c_str());
        throwCannotCreate(name);
    };
    if (::ftruncate(fd.get(), 0) != 0) fail();
    if (!writeAll(fd.get(), bytes)) fail();
    if (::fchmod(fd.get(), st.st_mode & 07777) != 0) fail();
    if (::geteuid() == 0) {
        [[maybe_unused]] int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
    }
    if (::fsync(fd.get()) != 0) fail();
    if (::rename(temp.c_str(), target.c_str()) != 0) fail();
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace cpuchat
