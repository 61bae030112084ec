#include "FileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "Engine.h"
#include "FileStore.h"
#include "InPlaceRewrite.h"
#include "LineCodec.h"
#include "MemoryFileSystem.h"
#include "TestSupport.h"

namespace cpuchat {
namespace {

using test::TempDir;
using test::w;

std::string message(const std::function<void()>& f) {
    try {
        f();
    } catch (const FileError& e) {
        return e.what();
    }
    return "no failure";
}

// Runs `f` in a child process that has given up root, so permission checks apply
// even when the tests run as root. Returns the child's exit status.
int asUnprivileged(const std::function<int()>& f) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

std::ptrdiff_t entriesIn(const std::filesystem::path& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

TEST(FileNames, MapWindowsStyleNamesIntoTheWorkingDirectory) {
    TempDir dir;
    dir.write("Base/Words.Dat", "x");
    dir.write("Txt.Dat", "y");
    DiskFileSystem fs(dir.path());
    const auto words = dir.path() / "Base" / "Words.Dat";
    EXPECT_EQ(fs.resolve("Base\\Words.Dat"), words);
    EXPECT_EQ(fs.resolve("Base\\Words.dat"), words);
    EXPECT_EQ(fs.resolve("base/words.DAT"), words);
    EXPECT_EQ(fs.resolve("BASE\\\\WORDS.DAT"), words);
    EXPECT_EQ(fs.resolve("D:\\Txt.Dat"), dir.path() / "Txt.Dat");
    EXPECT_EQ(fs.resolve("d:txt.dat"), dir.path() / "Txt.Dat");
    EXPECT_EQ(fs.resolve((dir.path() / "Txt.Dat").string()), dir.path() / "Txt.Dat");
    EXPECT_EQ(fs.resolve("Base\\Missing.Dat"), dir.path() / "Base" / "Missing.Dat");
    EXPECT_EQ(fs.read("bAsE\\wOrDs.dAt"), "x");
}

TEST(FileNames, CyrillicNamesAreMatchedWithoutRegardToCase) {
    TempDir dir;
    dir.write("Диалог.txt", "z");
    DiskFileSystem fs(dir.path());
    EXPECT_EQ(fs.read(w("D:\\ДИАЛОГ.TXT")), "z");
}

TEST(FileErrors, CarryTheProgramsMessagesWithItsSpelling) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Base" / "Folder.Dat");
    dir.write("Base/Words.Dat", "x");
    DiskFileSystem fs(dir.path());
    EXPECT_EQ(message([&] { fs.read("Base\\X.Dat"); }), "Cannot open file Base\\X.Dat");
    EXPECT_EQ(message([&] { fs.read("Base\\Folder.Dat"); }), "Cannot open file Base\\Folder.Dat");
    EXPECT_EQ(message([&] { fs.replace("Base\\New.Dat", "y"); }), "Cannot create file Base\\New.Dat");
    EXPECT_EQ(message([&] { fs.replace("Base\\Folder.Dat", "y"); }), "Cannot create file Base\\Folder.Dat");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Base" / "New.Dat"));  // never created
    try {
        fs.read("Base\\X.Dat");
    } catch (const FileError& e) {
        EXPECT_EQ(e.kind(), FileError::Kind::Open);
        EXPECT_EQ(e.name(), "Base\\X.Dat");
    }
}

TEST(AtomicReplace, ReplacesTheContentAndKeepsThePermissions) {
    TempDir dir;
    dir.write("Base/W1.Dat", "old");
    const auto file = dir.path() / "Base" / "W1.Dat";
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    DiskFileSystem fs(dir.path());
    fs.replace("base\\w1.dat", "new content");
    EXPECT_EQ(dir.read("Base/W1.Dat"), "new content");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
    // No temporary file is left beside it.
    EXPECT_EQ(entriesIn(dir.path() / "Base"), 1);
}

TEST(AtomicReplace, WritesThroughALinkToTheRealFile) {
    TempDir dir;
    dir.write("real.dat", "old");
    std::filesystem::create_directories(dir.path() / "Base");
    std::filesystem::create_symlink(dir.path() / "real.dat", dir.path() / "Base" / "Link.Dat");
    DiskFileSystem fs(dir.path());
    fs.replace("Base\\Link.Dat", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "Base" / "Link.Dat"));
    EXPECT_EQ(dir.read("real.dat"), "new");
}

TEST(AtomicReplace, ReusesATemporaryFileLeftByACrash) {
    TempDir dir;
    dir.write("Base/W2.Dat", "old");
    dir.write("Base/.W2.Dat.cpu-chat-tmp", std::string(1000, 'x'));  // a crash left it
    DiskFileSystem fs(dir.path());
    fs.replace("Base\\W2.Dat", "new");
    EXPECT_EQ(dir.read("Base/W2.Dat"), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Base" / ".W2.Dat.cpu-chat-tmp"));
}

TEST(AtomicReplace, NothingPlantedAtATemporaryNameIsWrittenThroughOrBlocksAWrite) {
    struct Plant {
        const char* what;
        std::function<void(const std::filesystem::path&, const std::filesystem::path&)> make;
        bool stays;  // only a leftover of ours is removed
    };
    const std::vector<Plant> plants = {
        {"a hard link to another file", [](auto& at, auto& other) { std::filesystem::create_hard_link(other, at); },
         true},
        {"a symlink to another file", [](auto& at, auto& other) { std::filesystem::create_symlink(other, at); }, true},
        {"a folder", [](auto& at, auto&) { std::filesystem::create_directory(at); }, true},
        {"another user's file",
         [](auto& at, auto&) {
             std::ofstream(at) << "theirs";
             if (::chown(at.c_str(), 65534, 65534) != 0) std::filesystem::remove(at);
         },
         true},
        {"our own leftover", [](auto& at, auto&) { std::ofstream(at) << "partial"; }, false},
    };
    // The name earlier versions used, and one of the random names used now.
    for (const char* name : {".W2.Dat.cpu-chat-tmp", ".W2.Dat.0123456789abcdef.cpu-chat-tmp"}) {
        for (const Plant& plant : plants) {
            TempDir dir;
            dir.write("Base/W2.Dat", "old");
            dir.write("other.txt", "precious");
            const auto at = dir.path() / "Base" / name;
            plant.make(at, dir.path() / "other.txt");
            const bool planted = std::filesystem::exists(std::filesystem::symlink_status(at));
            DiskFileSystem fs(dir.path());
            fs.replace("Base\\W2.Dat", "new");
            EXPECT_EQ(dir.read("Base/W2.Dat"), "new") << plant.what << " at " << name;
            EXPECT_EQ(dir.read("other.txt"), "precious") << plant.what << " at " << name;
            EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(at)), planted && plant.stays)
                << plant.what << " at " << name;
            EXPECT_EQ(entriesIn(dir.path() / "Base"), planted && plant.stays ? 2 : 1)
                << plant.what << " at " << name;
        }
    }
}

TEST(FileLock, AnotherCopyWaitsAndGivesUpWithTheProgramsMessage) {
    TempDir dir;
    dir.write("Base/W1.Dat", "old");
    DiskFileSystem first(dir.path()), second(dir.path(), std::chrono::milliseconds(30));
    {
        const FileLock held = first.lock("Base\\W1.Dat");
        ASSERT_TRUE(held.held());
        EXPECT_EQ(message([&] { second.lock("base\\w1.dat"); }), "Cannot create file base\\w1.dat");
        EXPECT_EQ(message([&] { second.read("Base\\W1.Dat"); }), "Cannot open file Base\\W1.Dat");
        // The holder replaces the file: a lock on the new file is free at once.
        first.replace("Base\\W1.Dat", "new");
        EXPECT_TRUE(second.lock("Base\\W1.Dat").held());
    }
    EXPECT_TRUE(second.lock("Base\\W1.Dat").held());
    // A file that cannot be opened gives no lock; the read that follows reports it.
    EXPECT_FALSE(second.lock("Base\\Missing.Dat").held());
}

TEST(AtomicReplace, UnwritableTargetsFailAndWritableFilesOfAReadOnlyFolderAreRewrittenInPlace) {
    TempDir dir;
    dir.write("Base/ReadOnly.Dat", "keep me");
    dir.write("Locked/W1.Dat", "keep me too");
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(dir.path() / "Base", std::filesystem::perms(0777));
    std::filesystem::permissions(dir.path() / "Base" / "ReadOnly.Dat", std::filesystem::perms(0444));
    std::filesystem::permissions(dir.path() / "Locked" / "W1.Dat", std::filesystem::perms(0666));
    std::filesystem::permissions(dir.path() / "Locked", std::filesystem::perms(0555));
    const int status = asUnprivileged([&] {
        DiskFileSystem fs(dir.path());
        if (message([&] { fs.replace("Base\\ReadOnly.Dat", "lost"); }) != "Cannot create file Base\\ReadOnly.Dat")
            return 1;
        // A shared installation: no file can be created in the folder, but its files
        // may be written, so they are rewritten in place.
        if (message([&] { fs.replace("Locked\\W1.Dat", "learned"); }) != "no failure") return 2;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dir.read("Base/ReadOnly.Dat"), "keep me");
    EXPECT_EQ(dir.read("Locked/W1.Dat"), "learned");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Base" / ".ReadOnly.Dat.cpu-chat-tmp"));
}

// The real calls, except that a write moves at most 8 bytes (so that a failure can
// come halfway through; not one within a 64-byte block, which the kernel never
// splits), the chosen call fails at its chosen use, and creating a file can be
// refused as in a folder the program may not create files in. At call `stopAt` the
// program stops as a kill stops it: Stopped is thrown, the disk stays as it is.
struct Stopped {};
class FailingCalls : public SystemCalls {
public:
    FailingCalls(std::string_view call = "", int use = 0, int error = 0, bool refuseCreate = false)
        : call_(call), use_(use), error_(error), refuseCreate_(refuseCreate) {}
    int stopAt = 0;
    bool refuseWrite = false;  // as for one who may not write the files
    bool smallReads = false;   // a read moves one byte, so that reading takes long
    int open(const char* path, int flags, mode_t mode) override {
        if (refuseWrite && (flags & O_ACCMODE) != O_RDONLY) {
            errno = EACCES;
            return -1;
        }
        return fails("open") ? -1 : SystemCalls::open(path, flags, mode);
    }
    ssize_t read(int fd, void* buffer, size_t size) override {
        return fails("read") ? -1 : SystemCalls::read(fd, buffer, smallReads ? 1 : size);
    }
    ssize_t pwrite(int fd, const void* buffer, size_t size, off_t at) override {
        const bool oneBlock = at / 64 == (at + static_cast<off_t>(size) - 1) / 64;
        return fails("pwrite")
                   ? -1
                   : SystemCalls::pwrite(fd, buffer, oneBlock ? size : std::min<size_t>(size, 8), at);
    }
    int openat(int folder, const char* name, int flags, mode_t mode) override {
        if (refuseCreate_ && (flags & O_CREAT) != 0) {
            errno = EACCES;
            return -1;
        }
        return fails("openat") ? -1 : SystemCalls::openat(folder, name, flags, mode);
    }
    ssize_t write(int fd, const void* buffer, size_t size) override {
        return fails("write") ? -1 : SystemCalls::write(fd, buffer, std::min<size_t>(size, 8));
    }
    off_t lseek(int fd, off_t offset, int whence) override {
        return fails("lseek") ? -1 : SystemCalls::lseek(fd, offset, whence);
    }
    int fallocate(int fd, int mode, off_t offset, off_t length) override {
        return fails("fallocate") ? -1 : SystemCalls::fallocate(fd, mode, offset, length);
    }
    int ftruncate(int fd, off_t length) override {
        return fails("ftruncate") ? -1 : SystemCalls::ftruncate(fd, length);
    }
    int fchmod(int fd, mode_t mode) override { return fails("fchmod") ? -1 : SystemCalls::fchmod(fd, mode); }
    int fsync(int fd) override { return fails("fsync") ? -1 : SystemCalls::fsync(fd); }
    int renameat(int fromFolder, const char* from, int toFolder, const char* to) override {
        return fails("renameat") ? -1 : SystemCalls::renameat(fromFolder, from, toFolder, to);
    }

private:
    bool fails(std::string_view call) {
        if (++calls_ == stopAt) throw Stopped{};
        if (call != call_ || ++seen_ != use_) return false;
        errno = error_;
        return true;
    }
    std::string call_;
    int use_, error_, seen_ = 0, calls_ = 0;
    bool refuseCreate_;
};

// Base\Words.Dat as a fresh copy of the program reads it, tidying it up, or as one
// who may not write it.
std::string readAsProgram(const TempDir& dir, bool mayWrite = true) {
    FailingCalls calls;
    calls.refuseWrite = !mayWrite;
    return DiskFileSystem(dir.path(), std::chrono::seconds(5), calls).read("Base\\Words.Dat");
}

TEST(AtomicReplace, AWriteFailingAtAnyStepLosesNothingAndSaysSo) {
    const std::string old = "old line one\r\nold line two\r\n";
    const std::string now = "the new content, longer than the old one and than a block of 64 bytes\r\n";
    const std::string cannot = "Cannot create file Base\\Words.Dat";
    struct Row {
        bool inPlace;  // the folder refuses new files: the file is rewritten in place
        const char* call;
        int use;
        int error;
        bool replaced;  // the file ends with the new content, and no failure is reported
    };
    const Row rows[] = {
        // A temporary file is written and renamed over the target.
        {false, "", 0, 0, true},
        {false, "openat", 1, EMFILE, false},
        {false, "write", 1, ENOSPC, false},
        {false, "write", 2, EIO, false},
        {false, "fchmod", 1, EPERM, false},
        {false, "fsync", 1, EIO, false},
        {false, "renameat", 1, EIO, false},
        {false, "fsync", 2, EINVAL, true},    // the folder's flush, after the rename
        {false, "renameat", 1, EPERM, true},  // a sticky folder: rewritten in place
        // Rewritten in place: a failure before the new content is safely on disk keeps
        // the old; after that the rewrite stands, and the next reader finishes it.
        {true, "", 0, 0, true},
        {true, "open", 3, EACCES, false},
        {true, "fallocate", 1, ENOSPC, false},
        {true, "fallocate", 1, EOPNOTSUPP, true},
        {true, "pwrite", 1, ENOSPC, false},  // the trailer
        {true, "fsync", 1, EIO, false},
        {true, "pwrite", 3, EIO, false},  // the new content, halfway
        {true, "fsync", 2, EIO, false},
        {true, "pwrite", 16, EIO, true},  // moving it to the start
        {true, "ftruncate", 1, EIO, true},
        {true, "fsync", 4, EIO, true},
    };
    for (const Row& row : rows) {
        const std::string what = std::string(row.inPlace ? "in place, " : "atomic, ") +
                                 (*row.call ? row.call : "none") + " #" + std::to_string(row.use);
        TempDir dir;
        dir.write("Base/Words.Dat", old);
        FailingCalls calls(row.call, row.use, row.error, row.inPlace);
        DiskFileSystem fs(dir.path(), std::chrono::seconds(5), calls);
        EXPECT_EQ(message([&] { fs.replace("Base\\Words.Dat", now); }), row.replaced ? "no failure" : cannot)
            << what;
        EXPECT_EQ(readAsProgram(dir), row.replaced ? now : old) << what;
        EXPECT_EQ(dir.read("Base/Words.Dat"), row.replaced ? now : old) << what;  // the read tidied it up
        EXPECT_EQ(entriesIn(dir.path() / "Base"), 1) << what;  // no temporary file is left beside it
    }
}

// Runs `f` over `dir` with the program stopped at its `stopAt`-th call; true when `f`
// ran to its end.
bool runStoppedAt(const TempDir& dir, int stopAt, bool refuseCreate,
                  const std::function<void(FileSystem&)>& f) {
    FailingCalls calls("", 0, 0, refuseCreate);
    calls.stopAt = stopAt;
    DiskFileSystem fs(dir.path(), std::chrono::seconds(5), calls);
    try {
        f(fs);
        return true;
    } catch (const Stopped&) {
        return false;
    }
}

TEST(CrashSafety, AStopAtAnyCallOfARewriteInPlaceLeavesTheOldOrTheNewVersion) {
    const std::string shortText = "old line one\r\nold line two\r\n", longText(70, 'n');
    for (const auto& [old, now] : {std::pair(shortText, longText), std::pair(longText, shortText)}) {
        bool done = false, sawNew = false;
        int finishing = 0, undoing = 0;  // stops that leave the rewrite to be finished, or undone
        for (int stop = 1; !done; ++stop) {
            TempDir dir;
            dir.write("Base/Words.Dat", old);
            done = runStoppedAt(dir, stop, true, [&](FileSystem& fs) { fs.replace("Base\\Words.Dat", now); });
            const std::string raw = dir.read("Base/Words.Dat");
            // One who may not write the file reads a whole version and changes nothing;
            // once a stop leaves the new version, every later one does.
            const std::string seen = readAsProgram(dir, false);
            ASSERT_TRUE(seen == now || (seen == old && !sawNew && !done)) << stop;
            EXPECT_EQ(dir.read("Base/Words.Dat"), raw) << stop;
            sawNew = seen == now;
            if (inplace::interrupted(raw)) {
                ++(sawNew ? finishing : undoing);
                // Tidying up can itself be stopped at any call, and leaves the same version.
                for (int again = 1, tidied = 0; !tidied; ++again) {
                    TempDir copy;
                    copy.write("Base/Words.Dat", raw);
                    tidied =
                        runStoppedAt(copy, again, false, [](FileSystem& fs) { fs.read("Base\\Words.Dat"); });
                    EXPECT_EQ(readAsProgram(copy), seen) << stop << ", then " << again;
                }
            }
            EXPECT_EQ(readAsProgram(dir), seen) << stop;
            EXPECT_EQ(dir.read("Base/Words.Dat"), seen) << stop;  // tidied up
        }
        EXPECT_GE(finishing, 2);
        EXPECT_GE(undoing, 2);
    }
}

TEST(CrashSafety, AReaderNeverSeesARewriteInPlaceHalfDone) {
    TempDir dir;
    const std::string versions[] = {std::string(300, 'a'), std::string(500, 'b') + "\r\n"};
    dir.write("Base/Words.Dat", versions[0]);
    std::atomic<int> reads = 0;
    std::thread writer([&] {
        FailingCalls calls("", 0, 0, true);
        DiskFileSystem fs(dir.path(), std::chrono::seconds(60), calls);
        for (int i = 1; i <= 300; ++i) {
            {
                const FileLock held = fs.lock("Base\\Words.Dat");
                fs.replace("Base\\Words.Dat", versions[i % 2]);
            }
            while (reads < i) std::this_thread::yield();  // the reader gets its turn
        }
    });
    FailingCalls calls;
    calls.smallReads = true;  // so that a read would overlap a rewrite
    DiskFileSystem reader(dir.path(), std::chrono::seconds(60), calls);
    int mixed = 0;
    for (; reads < 300; ++reads) {
        const std::string seen = reader.read("Base\\Words.Dat");
        mixed += seen != versions[0] && seen != versions[1];
    }
    writer.join();
    EXPECT_EQ(mixed, 0);
}

TEST(AtomicReplace, UnreadableFileFailsToOpen) {
    TempDir dir;
    dir.write("Base/Secret.Dat", "x");
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(dir.path() / "Base", std::filesystem::perms(0755));
    std::filesystem::permissions(dir.path() / "Base" / "Secret.Dat", std::filesystem::perms(0));
    const int status = asUnprivileged([&] {
        DiskFileSystem fs(dir.path());
        return message([&] { fs.read("Base\\Secret.Dat"); }) == "Cannot open file Base\\Secret.Dat" ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST(FileStore, SeesEveryChangeMadeBehindItsBack) {
    TempDir dir;
    dir.write("Base/Words.Dat", "a\r\nb\r\n");
    DiskFileSystem fs(dir.path());
    FileStore store(fs);
    EXPECT_EQ(store.read("Base\\Words.Dat")->toVector(), (std::vector<std::string>{"a", "b"}));
    dir.write("Base/Words.Dat", "a\r\nc\r\n");  // same size, changed by another program
    EXPECT_EQ(store.read("Base\\Words.Dat")->toVector(), (std::vector<std::string>{"a", "c"}));
    // Same size again, with the modification time put back as it was: the change time
    // cannot be put back.
    const std::filesystem::path path = dir.path() / "Base" / "Words.Dat";
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    dir.write("Base/Words.Dat", "a\r\nd\r\n");
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(store.read("Base\\Words.Dat")->toVector(), (std::vector<std::string>{"a", "d"}));
    dir.write("Base/Words.Dat", "a\r\n");  // shorter
    EXPECT_EQ(store.read("Base\\Words.dat")->toVector(), (std::vector<std::string>{"a"}));
    dir.write("Base/Words.Dat", std::string(3 << 20, 'q'));  // longer than one chunk
    EXPECT_EQ((*store.read("Base\\Words.Dat"))[0].size(), std::size_t{3} << 20);
    std::filesystem::remove(dir.path() / "Base" / "Words.Dat");
    EXPECT_EQ(message([&] { store.read("Base\\Words.Dat"); }), "Cannot open file Base\\Words.Dat");
}

TEST(FileStore, DecodesAnUnchangedFileOnlyOnce) {
    test::TempDir dir;
    LineList kb{"h", "a^b;"};
    dir.write("Base/Plain.Dat", writePlainText(kb));
    dir.write("Base/Rtf.Dat", writeRtf(kb));
    DiskFileSystem fs(dir.path());
    FileStore store(fs);
    for (const char* name : {"Base\\Plain.Dat", "Base\\Rtf.Dat"}) {
        const Lines first = store.read(name);
        EXPECT_EQ(store.read(name).get(), first.get()) << name;
        EXPECT_EQ(*first, kb) << name;
    }
}

// Every way a file can change behind the store's back, on files whose times come from
// a test clock and are cut to whole seconds: the store reads the file again exactly
// when its version cannot vouch for what it decoded, and never misses a change.
TEST(FileStore, ReadsAFileAgainOnlyWhenItsVersionCannotVouchForIt) {
    using std::chrono::milliseconds;
    using std::chrono::seconds;
    constexpr std::string_view kName = "Base\\Words.Dat";
    struct Row {
        const char* what;
        milliseconds sinceWritten;  // from the file's writing to the store's first read
        std::function<void(MemoryFileSystem&, test::FakeClock&, FileStore&)> change;
        std::vector<std::string> lines;
        bool readAgain;
    };
    const auto later = [](test::FakeClock& clock, milliseconds by) { clock.t += by; };
    const Row rows[] = {
        {"unchanged, written long before it was read", seconds(10),
         [&](MemoryFileSystem&, test::FakeClock& clock, FileStore&) { later(clock, seconds(5)); },
         {"a", "b"}, false},
        {"unchanged, written within the granularity before it was read", milliseconds(300),
         [&](MemoryFileSystem&, test::FakeClock& clock, FileStore&) { later(clock, seconds(5)); },
         {"a", "b"}, true},
        {"same size, modification time put back", seconds(10),
         [&](MemoryFileSystem& files, test::FakeClock& clock, FileStore&) {
             const std::int64_t modified = files.versionNow(kName).modified;
             later(clock, seconds(1));
             files.put(kName, "a\r\nc\r\n");
             files.setModified(kName, modified);
         },
         {"a", "c"}, true},
        {"same size, within the second it was written and read in", milliseconds(300),
         [&](MemoryFileSystem& files, test::FakeClock& clock, FileStore&) {
             later(clock, milliseconds(200));
             files.put(kName, "a\r\nc\r\n");  // the same times, inode and size
         },
         {"a", "c"}, true},
        {"another file renamed over it, same size and modification time", seconds(10),
         [&](MemoryFileSystem& files, test::FakeClock& clock, FileStore&) {
             const std::int64_t modified = files.versionNow(kName).modified;
             later(clock, seconds(1));
             files.replace(kName, "a\r\nc\r\n");
             files.setModified(kName, modified);
         },
         {"a", "c"}, true},
        {"written by the store itself, read long after", seconds(10),
         [&](MemoryFileSystem&, test::FakeClock& clock, FileStore& store) {
             store.change(kName, [](FileChange& kb) {
                 kb.edit().append("c");
                 kb.writeAs(FileForm::Rtf);
             });
             later(clock, seconds(5));
         },
         {"a", "b", "c"}, true},  // it may have been changed in the same tick as the write
        {"written by the store, then by another program in the same second", seconds(10),
         [&](MemoryFileSystem& files, test::FakeClock& clock, FileStore& store) {
             store.change(kName, [](FileChange& kb) {
                 kb.edit().append("c");
                 kb.writeAs(FileForm::Rtf);
             });
             const std::string ours = files.at(kName);
             std::string theirs = ours;
             theirs[theirs.find("c\\par")] = 'd';
             later(clock, milliseconds(1));
             files.put(kName, theirs);
         },
         {"a", "b", "d"}, true},
    };
    for (const Row& row : rows) {
        test::FakeClock clock;
        MemoryFileSystem files(clock, seconds(1));
        files.put(kName, "a\r\nb\r\n");
        clock.t += row.sinceWritten;
        FileStore store(files);
        ASSERT_EQ(store.read(kName)->toVector(), (std::vector<std::string>{"a", "b"})) << row.what;
        row.change(files, clock, store);
        const int reads = files.contentReads();
        EXPECT_EQ(store.read(kName)->toVector(), row.lines) << row.what;
        EXPECT_EQ(files.contentReads() > reads, row.readAgain) << row.what;
        // Once a read has found the file unchanged long after it was last written, the
        // file is not read again.
        clock.t += seconds(5);
        store.read(kName);
        const int settled = files.contentReads();
        EXPECT_EQ(store.read(kName)->toVector(), row.lines) << row.what;
        EXPECT_EQ(files.contentReads(), settled) << row.what;
    }
}

TEST(FileStore, WritesRtfThatReadsBackTheSame) {
    TempDir dir;
    dir.write("Base/W1.Dat", test::plainFile({"Да.", "Нет."}));
    DiskFileSystem fs(dir.path());
    FileStore store(fs);
    Lines list;
    EXPECT_TRUE(store.change("Base\\W1.Dat", list, [](FileChange& pool) {
        pool.edit().append(w("Может быть."));
        pool.writeAs(FileForm::Rtf);
    }));
    EXPECT_TRUE(dir.read("Base/W1.Dat").starts_with("{\\rtf1"));
    FileStore fresh(fs);
    EXPECT_EQ(fresh.read("Base\\W1.Dat")->toVector(), list->toVector());
}

}  // namespace
}  // namespace cpuchat
