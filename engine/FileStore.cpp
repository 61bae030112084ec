#include "FileStore.h"

#include "LineCodec.h"

namespace cpuchat {

Lines FileStore::remember(const std::string& key, std::string&& bytes) {
    if (isRtf(bytes)) {
        auto lines = std::make_shared<LineList>(readRtf(bytes));
        cache_[key] = Entry{std::move(bytes), lines, false};
        return lines;
    }
    // Plain text: the lines keep the file's bytes, which are then held only once.
    auto lines = std::make_shared<LineList>(LineList::overBytes(std::move(bytes)));
    cache_[key] = Entry{std::string(), lines, true};
    return lines;
}

Lines FileStore::read(std::string_view name) {
    const std::string key = fileKey(name);
    auto it = cache_.find(key);
    if (it == cache_.end()) return remember(key, fs_.read(name));
    std::optional<std::string> changed;
    try {
        changed = fs_.readIfChanged(name, it->second.known());
    } catch (...) {
        cache_.erase(it);
        throw;
    }
    if (!changed) return it->second.lines;
    cache_.erase(it);  // free the old copy before decoding the new one
    return remember(key, std::move(*changed));
}

std::shared_ptr<LineList> FileStore::edit(Lines& lines) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->second.lines == lines) {
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

void FileStore::writeRtf(std::string_view name, Lines lines) {
    const std::string key = fileKey(name);
    cache_.erase(key);
    std::string bytes = cpuchat::writeRtf(*lines);
    fs_.replace(name, bytes);
    cache_[key] = Entry{std::move(bytes), std::move(lines)};
}

void FileStore::writePlain(std::string_view name, const LineList& lines) {
    cache_.erase(fileKey(name));
    fs_.replace(name, writePlainText(lines));
}

}  // namespace cpuchat
