#pragma once
// Files held in memory, named as the program names them: for fuzzing and tests that
// need no disk. Names compare without regard to case, "/" and "\" alike, and a drive
// prefix is dropped, as on disk.

#include <map>
#include <string>

#include "FileSystem.h"
#include "Text.h"

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
    static std::string key(std::string_view name) {
        if (name.size() >= 2 && name[1] == ':') name.remove_prefix(2);
        std::string k = toUpper(name);
        for (char& c : k) {
            if (c == '/') c = '\\';
        }
        while (!k.empty() && k.front() == '\\') k.erase(k.begin());
        return k;
    }
    std::map<std::string, std::string> files_;
};

}  // namespace cpuchat
