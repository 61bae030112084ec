#pragma once
// Line lists read from and written to files. Every read looks at the file on disk, so
// a change made by anyone (this program, an editor, a second copy) is seen by the next
// read. A file whose version (FileVersion: inode, size, times) vouches that it holds
// what was decoded from it is not read again; any other is read and compared, and only
// the decoding of unchanged bytes is saved. Every change of a file goes through
// change(), the one place that takes the file's lock.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "FileSystem.h"
#include "HeadIndex.h"
#include "LineList.h"

namespace cpuchat {

using Lines = std::shared_ptr<const LineList>;

/// How a file's lines lie on disk: an RTF document, as the program writes what it
/// keeps in its rich-text lists, or plain text with CR LF.
enum class FileForm { Rtf, Plain };

class FileStore;

/// A file's lines during one FileStore::change(). Nothing is read before the change
/// asks for the lines or the form, and nothing is written unless it calls writeAs().
class FileChange {
public:
    /// The lines as the file holds them (read at the first call), or as changed so far.
    const LineList& lines();
    /// The form the file is in.
    FileForm form();
    /// The lines to change, starting as the file's: the very list read when nothing
    /// else holds it, so that a large file is not copied.
    LineList& edit();
    /// Sets all lines at once, without reading the file.
    void assign(LineList lines);
    /// Writes the lines back in `form` once the change returns.
    void writeAs(FileForm form) noexcept { writeAs_ = form; }

private:
    friend class FileStore;
    FileChange(FileStore& store, std::string_view name, Lines& list)
        : store_(store), name_(name), list_(list) {}
    void read();

    FileStore& store_;
    std::string_view name_;
    Lines& list_;
    bool read_ = false;
    FileForm found_ = FileForm::Plain;
    std::shared_ptr<LineList> edited_;
    std::optional<FileForm> writeAs_;
};

class FileStore {
public:
    explicit FileStore(FileSystem& fs) : fs_(fs) {}

    /// Reads file `name` (an RTF document or plain text) whole; throws FileError, also
    /// for an RTF document cut short (see readRtf()), which nothing may write over.
    Lines read(std::string_view name);
    /// As read(), with the index of the lines' heads for the main scan, built at the
    /// first call after the file changed and kept with the lines.
    std::pair<Lines, std::shared_ptr<const HeadIndex>> readIndexed(std::string_view name);
    /// Reads file `name` as plain text only; throws FileError.
    LineList readPlain(std::string_view name);

    /// The one way the program changes a file. Holds the file's lock (see
    /// FileSystem::lock) from before the read the change is based on to the write, so
    /// that a second copy of the program changing the file at the same time waits and
    /// then reads this change. `edit` reads, changes and asks for the write through
    /// its FileChange; `list` ends holding the lines last read or written, as a
    /// scratch list the program loads a file into. Throws FileError, or what `edit`
    /// throws, and then writes nothing. True when the file was written.
    bool change(std::string_view name, Lines& list, const std::function<void(FileChange&)>& edit);
    bool change(std::string_view name, const std::function<void(FileChange&)>& edit);

    FileSystem& fileSystem() noexcept { return fs_; }

private:
    friend class FileChange;
    struct Entry {
        std::string bytes;  // the file's content when `lines` were decoded from it
        Lines lines;
        // A plain text's lines hold the file's bytes themselves; they stay unchanged
        // while cached, since takeForEdit() takes a list out of the cache first.
        bool inLines = false;
        FileVersion version;  // of the file when it held `bytes`
        std::shared_ptr<const HeadIndex> index;  // of `lines`, once asked for
        std::string_view known() const { return inLines ? lines->fileBytes() : std::string_view(bytes); }
    };
    using Cache = std::unordered_map<std::string, Entry>;

    /// Decodes and caches the bytes of file `name`; throws FileError(Open) for an RTF
    /// document that does not end as a document ends.
    Cache::iterator remember(std::string_view name, const std::string& key, std::string&& bytes,
                             const FileVersion& version);
    Cache::iterator find(std::string_view name, FileForm* form);
    Lines read(std::string_view name, FileForm* form);
    /// A list to change that starts as `lines`: `lines` itself when only the caller
    /// and this store hold it (the store forgets it), else a copy.
    std::shared_ptr<LineList> takeForEdit(Lines& lines);
    void writeRtf(std::string_view name, Lines lines);
    void writePlain(std::string_view name, const LineList& lines);

    FileSystem& fs_;
    Cache cache_;
    // During a change: the RTF bytes this store wrote for the list being changed, so
    // that the write re-encodes only the lines from the first one changed
    // (rewriteRtfTail()), into memory that is already there.
    struct Written {
        std::string key;
        std::string bytes;
        std::uint64_t stamp = 0;  // LineList::writtenStamp() of the list they encode
        std::size_t lines = 0;
        bool endsEmpty = false;
    };
    Written written_;
};

}  // namespace cpuchat
