#pragma once
// Files held in memory, named as the program names them: for fuzzing and tests that
// need no disk. Names compare as fileKey() compares them, as on disk.

#include <map>
#include <string>

#include "FileSystem.h"

namespace cpuchat {

class MemoryFileSystem : public FileSystem {
public:
    std::string read(std::string_view name) override {
        const auto it = files_.find(key(name));
        if (it == files_.end()) throwCannotOpen(name);
        return it->second;
    }
    void replace(std::string_view name, std::string_view bytes) override {
        const auto it = files_.find(key(name));
        if (it == files_.end()) throwCannotCreate(name);  // never creates a file
        it->second = bytes;
    }
    void put(std::string_view name, std::string_view bytes) { files_[key(name)] = bytes; }
    bool has(std::string_view name) const { return files_.count(key(name)) != 0; }
    const std::string& at(std::string_view name) const { return files_.at(key(name)); }

private:
    static std::string key(std::string_view name) { return fileKey(name); }
    std::map<std::string, std::string> files_;
};

}  // namespace cpuchat
