#pragma once
// Files held in memory, named as the program names them: for fuzzing and tests that
// need no disk. Names compare as fileKey() compares them, as on disk.
//
// Given a clock, each file has a version as on disk: an inode, a size, and modification
// and change times from the clock cut to a granularity, so that a test can change a
// file behind the program's back in every way a version may or may not show.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "FileSystem.h"
#include "Random.h"

namespace cpuchat {

class MemoryFileSystem : public FileSystem {
public:
    MemoryFileSystem() = default;
    /// Files with versions stamped from `clock`, their times cut to `granularity`.
    explicit MemoryFileSystem(Clock& clock, std::chrono::nanoseconds granularity = std::chrono::nanoseconds(1))
        : clock_(&clock), granularity_(granularity.count()) {}

    std::string read(std::string_view name) override { return file(name, throwCannotOpen).bytes; }
    std::string readVersioned(std::string_view name, FileVersion& version) override {
        version = versionNow(name);
        ++reads_;
        return read(name);
    }
    std::optional<std::string> readIfChangedSince(std::string_view name, std::string_view known,
                                                  FileVersion& version) override {
        const FileVersion now = versionNow(name);
        if (version.vouchesFor(now)) return std::nullopt;
        version = now;
        ++reads_;
        std::string bytes = read(name);
        if (bytes == known) return std::nullopt;
        return bytes;
    }
    /// As a rename of a new file over the old one: a new inode.
    void replace(std::string_view name, std::string_view bytes) override {
        File& f = file(name, throwCannotCreate);  // never creates a file
        f = File{std::string(bytes), ++lastInode_, stamp(), stamp()};
    }
    void replaceVersioned(std::string_view name, std::string_view bytes, FileVersion& version) override {
        replace(name, bytes);
        version = versionNow(name);
    }

    /// Creates file `name`, or writes `bytes` into the one there (the same inode), as an
    /// editor that rewrites a file in place.
    void put(std::string_view name, std::string_view bytes) {
        const auto [it, created] = files_.try_emplace(key(name));
        if (created) it->second.inode = ++lastInode_;
        it->second.bytes = bytes;
        it->second.modified = it->second.changed = stamp();
    }
    /// Sets the modification time of file `name`, as utimensat() does: the change time
    /// becomes now.
    void setModified(std::string_view name, std::int64_t modified) {
        File& f = file(name, throwCannotOpen);
        f.modified = modified;
        f.changed = stamp();
    }
    /// The version file `name` has now.
    FileVersion versionNow(std::string_view name) {
        const File& f = file(name, throwCannotOpen);
        if (clock_ == nullptr) return {};
        const auto size = static_cast<std::int64_t>(f.bytes.size());
        return FileVersion{0, f.inode, size, f.modified, f.changed, nowNs()};
    }
    bool has(std::string_view name) const { return files_.count(key(name)) != 0; }
    const std::string& at(std::string_view name) const { return files_.at(key(name)).bytes; }
    /// How many times a file's content was read for a versioned read.
    int contentReads() const noexcept { return reads_; }

private:
    struct File {
        std::string bytes;
        std::uint64_t inode = 0;
        std::int64_t modified = 0;
        std::int64_t changed = 0;
    };
    static std::string key(std::string_view name) { return fileKey(name); }
    File& file(std::string_view name, void (*fail)(std::string_view)) {
        const auto it = files_.find(key(name));
        if (it == files_.end()) fail(name);
        return it->second;
    }
    std::int64_t nowNs() const {
        if (clock_ == nullptr) return 0;
        return std::chrono::duration_cast<std::chrono::nanoseconds>(clock_->now().time_since_epoch()).count();
    }
    std::int64_t stamp() const { return nowNs() / granularity_ * granularity_; }

    Clock* clock_ = nullptr;
    std::int64_t granularity_ = 1;
    std::map<std::string, File> files_;
    std::uint64_t lastInode_ = 0;
    int reads_ = 0;
};

}  // namespace cpuchat
