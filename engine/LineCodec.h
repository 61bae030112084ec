#pragma once
// The codec of a line list's two forms on disk: plain Windows-1251 text with CR LF
// line ends, and an RTF document with one paragraph per line. Pure functions from
// bytes to lines and back; file access lives in FileSystem and FileStore.

#include <string>
#include <string_view>

#include "LineList.h"

namespace cpuchat {

/// True when the bytes begin an RTF document: an opening brace and the word rtf, or
/// urtf, which a Rich Edit control reads as RTF too.
bool isRtf(std::string_view bytes) noexcept;

/// Splits plain text at CR LF, LF or CR; a final line break makes no extra line.
LineList readPlainText(std::string_view bytes);

/// Keeps the text of an RTF document: one line per paragraph, the last paragraph
/// mark dropped as a Rich Edit control drops it, each run of text read in its font's
/// or the document's code page (Windows-1251 when neither says) and given in
/// Windows-1251, "?" for what that cannot hold. Never fails: whatever it cannot
/// understand it skips.
LineList readRtf(std::string_view bytes);

/// As readRtf(), and sets `cutAt` to where the document stops being whole: npos when
/// its top group closes and only blanks, tabs, CR, LF and NUL follow; else the first
/// other byte after the closing brace, or the size of `bytes` when the top group
/// never closes (the document was cut short).
LineList readRtf(std::string_view bytes, std::size_t& cutAt);

/// Reads a file's bytes as RTF when they are an RTF document, else as plain text.
LineList readLines(std::string_view bytes);

/// Each line followed by CR LF.
std::string writePlainText(const LineList& lines);

/// An RTF document of the kind a Rich Edit control streams out; readRtf() gives back
/// exactly the same lines for any lines without CR or LF. LibreOffice reads the same
/// lines too, except for one more empty line when the last line is empty, and one
/// empty line for an empty list.
std::string writeRtf(const LineList& lines);

/// Turns `bytes`, which writeRtf() made of an earlier list of `oldLines` lines
/// (`oldEndsEmpty`: whose last line was empty) that began with the first `unchanged`
/// lines of `lines`, into writeRtf(lines), encoding only the lines after those. False,
/// with `bytes` as they were, when they do not end as such a document does.
bool rewriteRtfTail(const LineList& lines, std::size_t unchanged, std::size_t oldLines, bool oldEndsEmpty,
                    std::string& bytes);

}  // namespace cpuchat
