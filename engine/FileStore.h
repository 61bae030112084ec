#pragma once
// Line lists read from and written to files. Every read looks at the file's bytes
// on disk, so a change made by anyone (this program, an editor, a second copy) is
// seen by the next read; only the decoding of unchanged bytes is saved, which keeps
// a Say on a large RTF knowledge base close to the cost of reading the file.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "FileSystem.h"
#include "LineList.h"

namespace cpuchat {

using Lines = std::shared_ptr<const LineList>;

class FileStore {
public:
    explicit FileStore(FileSystem& fs) : fs_(fs) {}

    /// Reads file `name` (an RTF document or plain text) whole; throws FileError.
    Lines read(std::string_view name);
    /// A list to change that starts as `lines`: `lines` itself when only the caller
    /// and this store hold it (the store forgets it, so a large file is not copied),
    /// else a copy. The caller writes it back or drops it.
    std::shared_ptr<LineList> edit(Lines& lines);
    /// Reads file `name` as plain text only; throws FileError.
    LineList readPlain(std::string_view name);
    /// Holds file `name` for one change (see FileSystem::lock): take it before the
    /// read that the change is based on. Throws FileError.
    FileLock lock(std::string_view name) { return fs_.lock(name); }
    /// Replaces file `name` with `lines` as an RTF document; throws FileError.
    void writeRtf(std::string_view name, Lines lines);
    /// Replaces file `name` with `lines` as plain text; throws FileError.
    void writePlain(std::string_view name, const LineList& lines);

    FileSystem& fileSystem() noexcept { return fs_; }

private:
    struct Entry {
        std::string bytes;  // the file's content when `lines` were decoded from it
        Lines lines;
        // A plain text's lines hold the file's bytes themselves; they stay unchanged
        // while cached, since edit() takes a list out of the cache before it changes.
        bool inLines = false;
        std::string_view known() const { return inLines ? lines->fileBytes() : std::string_view(bytes); }
    };
    Lines remember(const std::string& key, std::string&& bytes);

    FileSystem& fs_;
    std::unordered_map<std::string, Entry> cache_;
};

}  // namespace cpuchat
