#pragma once
// The system calls under DiskFileSystem, one virtual function for each with the
// POSIX meaning (-1 and errno on failure). A test substitutes one that fails a chosen
// call, to see that a write failing at any step loses nothing and reports the
// program's message. Descriptors are real ones, closed with close(2) directly;
// folders are listed directly too.

#include <sys/stat.h>
#include <sys/types.h>

namespace cpuchat {

class SystemCalls {
public:
    virtual ~SystemCalls() = default;

    virtual int open(const char* path, int flags, mode_t mode);
    virtual int openat(int folder, const char* name, int flags, mode_t mode);
    virtual ssize_t read(int fd, void* buffer, size_t size);
    virtual ssize_t write(int fd, const void* buffer, size_t size);
    virtual ssize_t pread(int fd, void* buffer, size_t size, off_t offset);
    virtual ssize_t pwrite(int fd, const void* buffer, size_t size, off_t offset);
    virtual off_t lseek(int fd, off_t offset, int whence);
    virtual int fstat(int fd, struct stat* st);
    /// stat(2) and lstat(2) too, with AT_FDCWD.
    virtual int fstatat(int folder, const char* name, struct stat* st, int flags);
    virtual int flock(int fd, int operation);
    virtual int fallocate(int fd, int mode, off_t offset, off_t length);
    virtual int ftruncate(int fd, off_t length);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fchown(int fd, uid_t owner, gid_t group);
    virtual int fsync(int fd);
    virtual int renameat(int fromFolder, const char* from, int toFolder, const char* to);
    virtual int unlinkat(int folder, const char* name, int flags);

    /// The calls themselves, as the program makes them.
    static SystemCalls& real() noexcept;
};

}  // namespace cpuchat
