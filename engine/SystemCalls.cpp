#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

namespace cpuchat {

int SystemCalls::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int SystemCalls::openat(int folder, const char* name, int flags, mode_t mode) {
    return ::openat(folder, name, flags, mode);
}
ssize_t SystemCalls::read(int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); }
ssize_t SystemCalls::write(int fd, const void* buffer, size_t size) { return ::write(fd, buffer, size); }
ssize_t SystemCalls::pread(int fd, void* buffer, size_t size, off_t offset) {
    return ::pread(fd, buffer, size, offset);
}
ssize_t SystemCalls::pwrite(int fd, const void* buffer, size_t size, off_t offset) {
    return ::pwrite(fd, buffer, size, offset);
}
off_t SystemCalls::lseek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }
int SystemCalls::fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
int SystemCalls::fstatat(int folder, const char* name, struct stat* st, int flags) {
    return ::fstatat(folder, name, st, flags);
}
int SystemCalls::flock(int fd, int operation) { return ::flock(fd, operation); }
int SystemCalls::fallocate(int fd, int mode, off_t offset, off_t length) {
    return ::fallocate(fd, mode, offset, length);
}
int SystemCalls::ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int SystemCalls::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int SystemCalls::fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int SystemCalls::fsync(int fd) { return ::fsync(fd); }
int SystemCalls::renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    return ::renameat(fromFolder, from, toFolder, to);
}
int SystemCalls::unlinkat(int folder, const char* name, int flags) { return ::unlinkat(folder, name, flags); }

SystemCalls& SystemCalls::real() noexcept {
    static SystemCalls calls;
    return calls;
}

}  // namespace cpuchat
