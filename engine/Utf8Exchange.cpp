#include "Utf8Exchange.h"

#include <cstdio>

#include "LineCodec.h"
#include "Text.h"

namespace cpuchat {

std::string baseFilePath(std::string_view name) {
    if (name.empty()) throw std::invalid_argument("no file name given");
    if (name.find_first_of("/\\:") != std::string_view::npos || name.find("..") != std::string_view::npos) {
        throw std::invalid_argument("\"" + std::string(name) +
                                    "\" is not a file name of Base (no folders, drives or \"..\")");
    }
    return "Base\\" + std::string(name);
}

std::string exportUtf8(FileStore& store, std::string_view path) {
    const Lines lines = store.read(path);
    std::string out;
    out.reserve(lines->textBytes() * 2 + lines->size());
    for (std::size_t i = 0; i < lines->size(); ++i) {
        out += toUtf8((*lines)[i]);
        out += '\n';
    }
    return out;
}

LineList linesFromUtf8(std::string_view utf8) {
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    try {
        return readPlainText(fromUtf8Strict(utf8));
    } catch (const Utf8Error& e) {
        // Where the refused character stands, as an editor counts: line breaks as the
        // plain-text reader splits them, columns in characters.
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < e.offset(); ++i) {
            const char c = utf8[i];
            if (c == '\n' || c == '\r') {
                if (c == '\r' && i + 1 < e.offset() && utf8[i + 1] == '\n') ++i;
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++column;
            }
        }
        std::string message = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": ";
        if (const auto cp = e.codePoint()) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(*cp));
            message += std::string(hex) + " cannot be stored in Windows-1251";
        } else {
            message += "not UTF-8";
        }
        throw ImportError(message);
    }
}

void checkImport(const LineList& lines, const LineList& current, FileForm form) {
    if (lines.empty()) {
        if (current.empty()) return;  // nothing to lose
        throw ImportError("the input holds no lines, and the file would lose all of its lines");
    }
    // A plain file begins with its first line: one that begins as an RTF document does
    // would make every reader take the whole file for one.
    if (form == FileForm::Plain && isRtf(lines[0])) {
        throw ImportError("line 1, column 1: \"" + std::string(lines[0].substr(0, lines[0].find("rtf") + 3)) +
                          "\" at the start of a plain file makes it read back as an RTF document");
    }
}

void replaceLines(FileStore& store, std::string_view path, const LineList& lines) {
    store.change(path, [&](FileChange& file) {
        checkImport(lines, file.lines(), file.form());
        file.writeAs(file.form());
        file.assign(lines);
    });
}

}  // namespace cpuchat
