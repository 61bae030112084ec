#pragma once
// File access of the program. Files are named as the program spells them,
// Windows-style and relative to the working directory ("Base\Words.Dat"); the
// failures carry the program's two messages with that spelling.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cpuchat {

/// A file that cannot be read ("Cannot open file %s") or written ("Cannot create
/// file %s"). The message is Windows-1251 text.
class FileError : public std::runtime_error {
public:
    enum class Kind { Open, Create };
    FileError(Kind kind, std::string_view name);
    Kind kind() const noexcept { return kind_; }
    const std::string& name() const noexcept { return name_; }

private:
    Kind kind_;
    std::string name_;
};

[[noreturn]] void throwCannotOpen(std::string_view name);
[[noreturn]] void throwCannotCreate(std::string_view name);

class FileSystem {
public:
    virtual ~FileSystem() = default;
    /// The whole content of file `name`; throws FileError(Open).
    virtual std::string read(std::string_view name) = 0;
    /// nullopt when file `name` holds exactly `known`, else its whole content; throws
    /// FileError(Open). Lets a caller keep what it decoded from a file without ever
    /// missing a change to it.
    virtual std::optional<std::string> readIfChanged(std::string_view name, std::string_view known);
    /// Replaces the whole content of the existing file `name`; throws FileError(Create)
    /// and then leaves the file as it was. Never creates a file.
    virtual void replace(std::string_view name, std::string_view bytes) = 0;
};

/// The real file system under a working directory.
class DiskFileSystem : public FileSystem {
public:
    explicit DiskFileSystem(std::filesystem::path root);

    std::string read(std::string_view name) override;
    std::optional<std::string> readIfChanged(std::string_view name, std::string_view known) override;
    /// Atomic: a temporary file in the same folder is written, flushed to disk and
    /// renamed over the target, so a crash or a full disk leaves the old or the new
    /// content, never a mix.
    void replace(std::string_view name, std::string_view bytes) override;

    /// Where file `name` lies: "\" and "/" separate, a drive prefix ("D:\") is
    /// dropped, a name that does not exist as spelled is matched case-insensitively
    /// against the folder's entries, and an absolute POSIX path stands as it is.
    std::filesystem::path resolve(std::string_view name) const;

    const std::filesystem::path& root() const noexcept { return root_; }

private:
    std::filesystem::path root_;
};

}  // namespace cpuchat
