#include "FileStore.h"

#include <atomic>

#include "LineCodec.h"

namespace cpuchat {

FileStore::Cache::iterator FileStore::remember(std::string_view name, const std::string& key,
                                               std::string&& bytes, const FileVersion& version) {
    if (isRtf(bytes)) {
        std::size_t cutAt = 0;
        auto lines = std::make_shared<LineList>(readRtf(bytes, cutAt));
        // A document cut short (by a crash of an older version, a full disk, a copy
        // broken off) holds fewer lines than it did: refused, so that no change ever
        // writes them back as the whole file.
        if (cutAt != std::string::npos) throwCannotOpen(name);
        Entry entry{std::move(bytes), std::move(lines), false, version, {}};
        return cache_.insert_or_assign(key, std::move(entry)).first;
    }
    // Plain text: the lines keep the file's bytes, which are then held only once.
    auto lines = std::make_shared<LineList>(LineList::overBytes(std::move(bytes)));
    return cache_.insert_or_assign(key, Entry{std::string(), std::move(lines), true, version, {}}).first;
}

Lines FileStore::read(std::string_view name) { return read(name, nullptr); }

Lines FileStore::read(std::string_view name, FileForm* form) { return find(name, form)->second.lines; }

std::pair<Lines, std::shared_ptr<const HeadIndex>> FileStore::readIndexed(std::string_view name) {
    Entry& entry = find(name, nullptr)->second;
    if (!entry.index) entry.index = std::make_shared<const HeadIndex>(*entry.lines);
    return {entry.lines, entry.index};
}

FileStore::Cache::iterator FileStore::find(std::string_view name, FileForm* form) {
    const std::string key = fileKey(name);
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        FileVersion version;
        std::string bytes = fs_.readVersioned(name, version);
        it = remember(name, key, std::move(bytes), version);
    } else {
        std::optional<std::string> changed;
        FileVersion version = it->second.version;
        try {
            changed = fs_.readIfChangedSince(name, it->second.known(), version);
        } catch (...) {
            cache_.erase(it);
            throw;
        }
        if (changed) {
            cache_.erase(it);  // free the old copy before decoding the new one
            it = remember(name, key, std::move(*changed), version);
        } else {
            it->second.version = version;
        }
    }
    if (form != nullptr) *form = it->second.inLines ? FileForm::Plain : FileForm::Rtf;
    return it;
}

std::shared_ptr<LineList> FileStore::takeForEdit(Lines& lines) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->second.lines == lines) {
            Entry& entry = it->second;
            if (!entry.inLines && lines->writtenStamp() != 0) {
                written_ = {it->first, std::move(entry.bytes), lines->writtenStamp(), lines->size(),
                            !lines->empty() && lines->back().empty()};
            }
            cache_.erase(it);
            break;
        }
    }
    // Every list this store or the engine makes is created non-const, so taking
    // back write access to a list nobody else can see is sound.
    if (lines.use_count() == 1) return std::const_pointer_cast<LineList>(lines);
    return std::make_shared<LineList>(*lines);
}

LineList FileStore::readPlain(std::string_view name) { return readPlainText(fs_.read(name)); }

bool FileStore::change(std::string_view name, Lines& list, const std::function<void(FileChange&)>& edit) {
    const FileLock held = fs_.lock(name);
    struct Forget {
        Written& written;
        ~Forget() { written = {}; }
    } forget{written_};
    FileChange file(*this, name, list);
    edit(file);
    if (!file.writeAs_) return false;
    if (!file.edited_) file.read();  // a change that only picks the form writes the file's own lines
    if (*file.writeAs_ == FileForm::Rtf) {
        writeRtf(name, list);
    } else {
        writePlain(name, *list);
    }
    return true;
}

bool FileStore::change(std::string_view name, const std::function<void(FileChange&)>& edit) {
    Lines list;
    return change(name, list, edit);
}

void FileStore::writeRtf(std::string_view name, Lines lines) {
    const std::string key = fileKey(name);
    cache_.erase(key);
    std::string bytes;
    const bool rewritten = written_.stamp != 0 && written_.key == key &&
                           lines->writtenStamp() == written_.stamp &&
                           rewriteRtfTail(*lines, lines->unchangedSinceWritten(), written_.lines,
                                          written_.endsEmpty, written_.bytes);
    if (rewritten) {
        bytes = std::move(written_.bytes);
    } else {
        written_ = {};
        bytes = cpuchat::writeRtf(*lines);
    }
    FileVersion version;
    fs_.replaceVersioned(name, bytes, version);
    // Stamps are unique in the process: a list is never taken for another store's bytes.
    static std::atomic<std::uint64_t> lastStamp{0};
    lines->markWritten(++lastStamp);
    cache_[key] = Entry{std::move(bytes), std::move(lines), false, version, {}};
}

void FileStore::writePlain(std::string_view name, const LineList& lines) {
    cache_.erase(fileKey(name));
    fs_.replace(name, writePlainText(lines));
}

void FileChange::read() {
    if (read_) return;
    Lines now = store_.read(name_, &found_);
    read_ = true;
    if (!edited_) list_ = std::move(now);
}

const LineList& FileChange::lines() {
    read();
    return *list_;
}

FileForm FileChange::form() {
    read();
    return found_;
}

LineList& FileChange::edit() {
    read();
    if (!edited_) {
        edited_ = store_.takeForEdit(list_);
        list_ = edited_;
    }
    return *edited_;
}

void FileChange::assign(LineList lines) {
    edited_ = std::make_shared<LineList>(std::move(lines));
    list_ = edited_;
}

}  // namespace cpuchat
