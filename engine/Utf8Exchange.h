#pragma once
// A file of Base in and out as UTF-8 text, for authors who edit it with the tools of
// another system (the console's --export and --import). What is exported and
// imported again unchanged gives back the same bytes for every file the program
// writes: its lines are kept byte for byte and its form (RTF or plain) is the file's.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "FileStore.h"
#include "LineList.h"

namespace cpuchat {

/// "Base\NAME" for a plain file name. Throws std::invalid_argument (message in
/// English) for an empty name and for one holding a path separator, a drive or "..":
/// only the files of Base are moved in and out.
std::string baseFilePath(std::string_view name);

/// The lines of file `path` (RTF or plain) as UTF-8, each followed by LF. Throws FileError.
std::string exportUtf8(FileStore& store, std::string_view path);

/// Text that cannot become lines of a Windows-1251 file; the message names where:
/// "line L, column C: U+XXXX cannot be stored in Windows-1251", or "line L, column C:
/// not UTF-8". Lines and columns count from 1, columns in characters.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The lines of UTF-8 text, split as plain text is (CR LF, LF or CR; a final line
/// break makes no extra line); a leading byte-order mark is dropped. Throws ImportError.
LineList linesFromUtf8(std::string_view utf8);

/// Refuses lines that would wipe a file out or not read back as they are: no lines at
/// all for a file whose lines are `current`, and, for a plain file, a first line that
/// would make the file read back as an RTF document. Throws ImportError.
void checkImport(const LineList& lines, const LineList& current, FileForm form);

/// Replaces the lines of the existing file `path`, keeping its form: an RTF document
/// stays one (with the program's own header), plain text stays plain with CR LF. Holds
/// the file's lock from the read that tells the form to the atomic write, as learning
/// does. Throws FileError, and ImportError from checkImport() before anything is written.
void replaceLines(FileStore& store, std::string_view path, const LineList& lines);

}  // namespace cpuchat
