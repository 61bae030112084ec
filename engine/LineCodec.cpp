#include "LineCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Text.h"

namespace cpuchat {

bool isRtf(std::string_view bytes) noexcept {
    // A Rich Edit control reads a document that opens with \urtf as RTF too.
    return bytes.starts_with("{\\rtf") || bytes.starts_with("{\\urtf");
}

LineList readPlainText(std::string_view bytes) { return LineList::overBytes(std::string(bytes)); }

namespace {

// The font table is read apart: its character sets give the code pages of the text.
constexpr std::array<std::string_view, 63> kSkippedDestinations = {
    "colortbl", "stylesheet", "info", "pict", "pntext", "pntxta",
    "pntxtb", "header", "headerl", "headerr", "headerf", "footer",
    "footerl", "footerr", "footerf", "footnote", "annotation", "atnid",
    "atnauthor", "atntime", "atnref", "listtable", "listoverridetable", "revtbl",
    "rsidtbl", "generator", "fldinst", "themedata", "colorschememapping", "latentstyles",
    "datastore", "xmlnstbl", "object", "objdata", "filetbl", "userprops",
    "nonshppict", "shppict", "listtext", "bkmkstart", "bkmkend", "pgdsctbl",
    "template", "docvar", "mmathPr", "private", "wgrffmtfilter", "passwordhash",
    "shpinst", "sp", "sn", "sv", "falt", "panose",
    "leveltext", "levelnumbers", "fchars", "lchars", "xe", "tc",
    "txe", "comment", "operator",
};

bool isSkippedDestination(std::string_view word) {
    return std::find(kSkippedDestinations.begin(), kSkippedDestinations.end(), word) !=
           kSkippedDestinations.end();
}

// The Windows-1251 text of a symbol control word (\par, \emdash, ...), or 0 when
// `word` is none.
char symbolText(std::string_view word) {
    static constexpr std::pair<std::string_view, char> kSymbols[] = {
        {"par", '\n'},        {"line", '\n'},      {"sect", '\n'},      {"page", '\n'},
        {"row", '\n'},        {"tab", '\t'},       {"cell", '\t'},      {"emdash", '\x97'},
        {"endash", '\x96'},   {"lquote", '\x91'},  {"rquote", '\x92'},  {"ldblquote", '\x93'},
        {"rdblquote", '\x94'}, {"bullet", '\x95'}, {"emspace", ' '},    {"enspace", ' '},
        {"qmspace", ' '},
    };
    for (const auto& [name, text] : kSymbols) {
        if (name == word) return text;
    }
    return 0;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code page of a font's character set (\fcharsetN). The default set (1) and sets
// the program does not know give nullopt: text in such a font follows the document.
// OEM (255) is taken as the OEM code page of the Russian systems the program's files
// come from, 866, just as a font that declares nothing reads as their ANSI page.
std::optional<const CodePage*> charsetCodePage(std::int64_t charset) {
    static constexpr std::pair<std::int64_t, std::int64_t> kCharsets[] = {
        {0, 1252},   {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
        {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
        {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 866},
    };
    if (charset == 2) return &CodePage::symbol();
    for (const auto& [set, codePage] : kCharsets) {
        if (set == charset) return CodePage::find(codePage);
    }
    return std::nullopt;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the text of an RTF document. Groups are kept on an explicit stack, so deep
// nesting costs a few bytes per level and never the call stack.
//
// Each byte of text is read in the code page of its run: the font's character set
// (\fcharsetN, or \cpgN in the font table), else the document's (\ansicpgN, \ansi,
// \mac, \pc, \pca), else Windows-1251, the code page of the systems these files come
// from; so the program's own files read byte for byte as they were written. A code
// page the program does not know counts as not declared: on those systems such text
// was Windows-1251 more often than anything else, and "?" would throw it away.
class RtfReader {
public:
    explicit RtfReader(std::string_view in) : in_(in) { text_.reserve(in.size() / 2); }

    std::string run() {
        parse();
        flushLead();
        return std::move(text_);
    }

    /// Just past the brace that closed the document's own group; npos when none did.
    std::size_t end() const { return end_; }

private:
    static constexpr std::int64_t kDefaultFont = -1;  // the document's \deffN

    struct Group {
        std::int64_t font = kDefaultFont;
        std::uint16_t uc = 1;    // fallback characters after \uN
        bool skip = false;       // inside a destination whose text is not kept
        bool fontTable = false;  // inside the font table
    };

    void parse() {
        while (p_ < in_.size()) {
            const char c = in_[p_++];
            switch (c) {
                case '{':
                    stack_.push_back(cur_);
                    pendingSkip_ = 0;
                    break;
                case '}':
                    pendingSkip_ = 0;
                    if (stack_.empty()) return;
                    cur_ = stack_.back();
                    stack_.pop_back();
                    // Closing the document's own group ends the document: Rich Edit
                    // streams a NUL and other writers a line break after it.
                    if (stack_.empty()) {
                        end_ = p_;
                        return;
                    }
                    usePage();  // the group's font, or a font table just read
                    break;
                case '\\':
                    control();
                    break;
                case '\r':
                case '\n':
                    break;
                case '\0':
                    emit(' ');  // as a Rich Edit control reads it
                    break;
                default:
                    emit(c);
                    break;
            }
        }
        // An unterminated document keeps what it had.
    }

    // One byte of text in the run's code page, unless a \uN fallback is being skipped.
    void emit(char c) {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (cur_.skip) return;
        if (page_ == nullptr) {
            text_ += c;
        } else {
            decode(static_cast<unsigned char>(c));
        }
    }

    // Kept out of line, so that the loop over Windows-1251 text stays as small as it was.
    [[gnu::noinline]] void decode(unsigned char b) {
        if (lead_ != 0) {
            const char c = page_->pair(lead_, b);
            lead_ = 0;
            if (c != '\0') {
                text_ += c;
                return;
            }
            text_ += '?';  // the lead byte had no valid trail: this byte starts afresh
        }
        if (page_->lead(b)) {
            lead_ = b;
        } else {
            text_ += page_->single(b);
        }
    }

    // A lead byte whose trail never came reads as one unknown character.
    void flushLead() {
        if (lead_ == 0) return;
        lead_ = 0;
        text_ += '?';
    }

    // Takes up the code page of the current font, which the font table, \deffN or the
    // document's code page may have changed.
    void usePage() {
        const auto it = fonts_.find(cur_.font == kDefaultFont ? defaultFont_ : cur_.font);
        const CodePage* page = it == fonts_.end() ? document_ : it->second;
        if (page == page_) return;
        flushLead();
        page_ = page;
    }

    void setDocumentPage(std::optional<const CodePage*> page) {
        if (!page) return;
        document_ = *page;
        usePage();
    }

    void defineFont(std::optional<const CodePage*> page) {
        if (page) fonts_[definedFont_] = *page;
    }

    // Control words and symbols count as one fallback character each.
    bool consumedByFallback() {
        if (pendingSkip_ == 0) return false;
        --pendingSkip_;
        return true;
    }

    void control() {
        if (p_ >= in_.size()) return;
        const char c = in_[p_];
        if (!isLetter(c)) {
            ++p_;
            symbol(c);
            return;
        }
        const std::size_t start = p_;
        while (p_ < in_.size() && isLetter(in_[p_])) ++p_;
        const std::string_view word = in_.substr(start, p_ - start);
        bool hasParam = false;
        std::int64_t param = 0;
        bool negative = false;
        if (p_ + 1 < in_.size() && in_[p_] == '-' && isDigit(in_[p_ + 1])) {
            negative = true;
            ++p_;
        }
        while (p_ < in_.size() && isDigit(in_[p_])) {
            hasParam = true;
            if (param < (std::int64_t{1} << 40)) param = param * 10 + (in_[p_] - '0');
            ++p_;
        }
        if (negative) param = -param;
        if (p_ < in_.size() && in_[p_] == ' ') ++p_;
        controlWord(word, hasParam, param);
    }

    void symbol(char c) {
        if (c == '\'') {
            if (p_ + 1 < in_.size()) {
                const int hi = hexValue(in_[p_]);
                const int lo = hexValue(in_[p_ + 1]);
                if (hi >= 0 && lo >= 0) {
                    p_ += 2;
                    emit(static_cast<char>(hi * 16 + lo));
                    return;
                }
            }
            // "\'" without two hex digits: drop the escape, keep what follows as text.
            consumedByFallback();
            return;
        }
        if (c == '\\' || c == '{' || c == '}') {
            emit(c);
            return;
        }
        if (consumedByFallback()) return;
        switch (c) {
            case '*':
                cur_.skip = true;
                break;
            case '~':
                emitText('\xA0');
                break;
            case '_':
                emitText('-');
                break;
            case '\r':
            case '\n':
                emitText('\n');  // a backslash before a line break is a paragraph mark
                break;
            default:
                break;  // \- optional hyphen, \| and the rest carry no text
        }
    }

    // Text the markup stands for, which has no code page.
    void emitText(char c) {
        if (cur_.skip) return;
        flushLead();
        text_ += c;
    }

    void controlWord(std::string_view word, bool hasParam, std::int64_t param) {
        if (word == "bin") {
            // Binary data: skip its bytes whatever the state, a huge count to the end.
            const auto count = static_cast<std::uint64_t>(hasParam && param > 0 ? param : 0);
            p_ += static_cast<std::size_t>(std::min<std::uint64_t>(count, in_.size() - p_));
            return;
        }
        if (word == "uc") {
            cur_.uc = static_cast<std::uint16_t>(std::clamp<std::int64_t>(hasParam ? param : 1, 0, 0xFFFF));
            return;
        }
        if (word == "fonttbl") {
            cur_.skip = true;
            cur_.fontTable = true;
            return;
        }
        if (cur_.fontTable) {
            if (word == "f") {
                definedFont_ = param;
            } else if (word == "fcharset") {
                defineFont(charsetCodePage(param));
            } else if (word == "cpg") {
                defineFont(CodePage::find(param));
            }
        }
        if (isSkippedDestination(word)) {
            cur_.skip = true;
            return;
        }
        if (consumedByFallback()) return;
        if (word == "u" && hasParam) {
            unicode(param);
            return;
        }
        highSurrogate_ = false;
        if (const char text = symbolText(word)) {
            emitText(text);
        } else if (word == "f" && !cur_.fontTable) {
            cur_.font = param;
            usePage();
        } else if (word == "plain") {
            cur_.font = kDefaultFont;
            usePage();
        } else if (word == "deff") {
            defaultFont_ = param;
            usePage();
        } else if (word == "ansicpg") {
            setDocumentPage(CodePage::find(param));
        } else if (word == "ansi") {
            setDocumentPage(CodePage::find(1252));
        } else if (word == "mac") {
            setDocumentPage(CodePage::find(10000));
        } else if (word == "pc") {
            setDocumentPage(CodePage::find(437));
        } else if (word == "pca") {
            setDocumentPage(CodePage::find(850));
        }
    }

    void unicode(std::int64_t n) {
        if (n < 0 && n >= -32768) n += 65536;
        const bool wasHigh = highSurrogate_;
        highSurrogate_ = false;
        if (n >= 0xDC00 && n <= 0xDFFF && wasHigh) {
            // The second half of a pair: its '?' was written with the first half.
        } else if (n >= 0xD800 && n <= 0xDBFF) {
            highSurrogate_ = true;
            emitText('?');
        } else if (n < 0 || n > 0x10FFFF) {
            emitText('?');
        } else {
            const int byte = fromUnicode(static_cast<char32_t>(n));
            emitText(byte < 0 ? '?' : static_cast<char>(byte));
        }
        pendingSkip_ = cur_.uc;
    }

    std::string_view in_;
    std::size_t p_ = 0;
    std::size_t end_ = std::string_view::npos;
    std::string text_;
    std::vector<Group> stack_;
    Group cur_;
    std::uint32_t pendingSkip_ = 0;
    bool highSurrogate_ = false;
    // Code pages, nullptr standing for Windows-1251: the run's, the document's, and
    // those of the fonts with a known character set.
    const CodePage* page_ = nullptr;
    const CodePage* document_ = nullptr;
    std::unordered_map<std::int64_t, const CodePage*> fonts_;
    std::int64_t defaultFont_ = 0;
    std::int64_t definedFont_ = 0;  // the font table's entry being read
    unsigned char lead_ = 0;        // a lead byte waiting for its trail, or 0
};

}  // namespace

LineList readRtf(std::string_view bytes, std::size_t& cutAt) {
    RtfReader reader(bytes);
    std::string text = reader.run();
    cutAt = reader.end() == std::string_view::npos
                ? bytes.size()
                : bytes.find_first_not_of(std::string_view(" \t\r\n\0", 5), reader.end());
    // Like the Rich Edit control: the last paragraph mark is not part of the text.
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return readPlainText(text);
}

LineList readRtf(std::string_view bytes) {
    std::size_t cutAt = 0;
    return readRtf(bytes, cutAt);
}

LineList readLines(std::string_view bytes) { return isRtf(bytes) ? readRtf(bytes) : readPlainText(bytes); }

std::string writePlainText(const LineList& lines) {
    std::string out;
    out.reserve(lines.textBytes() + 2 * lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        out += "\r\n";
    }
    return out;
}

namespace {

// How each byte is written inside an RTF paragraph: as itself, escaped with a
// backslash, or as \'hh. Built once; the writer then copies table entries.
struct RtfEscapes {
    std::array<std::array<char, 4>, 256> text{};
    std::array<std::uint8_t, 256> length{};
    RtfEscapes() {
        static constexpr char kHex[] = "0123456789abcdef";
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            if (c == '\\' || c == '{' || c == '}') {
                text[b] = {'\\', c};
                length[b] = 2;
            } else if (b >= 0x80 || b < 0x20) {
                text[b] = {'\\', '\'', kHex[b >> 4], kHex[b & 0xF]};
                length[b] = 4;
            } else {
                text[b] = {c};
                length[b] = 1;
            }
        }
    }
};

}  // namespace

namespace {

constexpr std::string_view kRtfHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs16 ";
constexpr std::string_view kRtfParagraph = "\\par\r\n";
constexpr std::string_view kRtfEnd = "}\r\n";

// Appends the paragraphs of lines `from` on and the document's end to `out`.
void appendRtfLines(const LineList& lines, std::size_t from, std::string& out) {
    static const RtfEscapes escapes;
    // Encoded a block at a time into a small buffer and appended, so the output is
    // neither reallocated nor cleared before it is written.
    char block[1 << 15];
    char* at = block;
    const auto room = [&] { return static_cast<std::size_t>(block + sizeof block - at); };
    const auto flush = [&] {
        out.append(block, static_cast<std::size_t>(at - block));
        at = block;
    };
    const auto put = [&](std::string_view piece) {
        if (room() < piece.size()) flush();
        std::memcpy(at, piece.data(), piece.size());
        at += piece.size();
    };
    const auto encode = [&](char c) {
        const auto b = static_cast<unsigned char>(c);
        std::memcpy(at, escapes.text[b].data(), 4);  // the unused bytes are overwritten next
        at += escapes.length[b];
    };
    for (std::size_t i = from; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t worst = line.size() * 4 + kRtfParagraph.size();
        if (room() < worst) flush();
        if (room() >= worst) {
            for (const char c : line) encode(c);
        } else {
            for (const char c : line) {  // a line longer than the whole block
                if (room() < 4) flush();
                encode(c);
            }
        }
        put(kRtfParagraph);
    }
    // A reader drops the document's last paragraph mark, as the Rich Edit control
    // does; a list that ends in an empty line gets one more mark so that it keeps
    // that line. Other lists get none, so that LibreOffice, which ends a paragraph at
    // every mark, reads the same lines. It reads one empty line more for a list that
    // ends in an empty line, and one empty line for an empty list, as its documents
    // always hold a paragraph.
    if (!lines.empty() && lines.back().empty()) put(kRtfParagraph);
    put(kRtfEnd);
    flush();
}

// The worst size of the paragraphs of lines `from` on (every byte escaped).
std::size_t worstRtfSize(const LineList& lines, std::size_t from, std::size_t bytes) {
    const std::size_t paragraphs = lines.size() - std::min(from, lines.size()) + 1;
    return kRtfEnd.size() + paragraphs * kRtfParagraph.size() + bytes * 4;
}

}  // namespace

std::string writeRtf(const LineList& lines) {
    // Reserved for the worst case: pages never written are never made resident, so
    // the bound costs no memory, and the text is walked once.
    std::string out;
    out.reserve(kRtfHeader.size() + worstRtfSize(lines, 0, lines.textBytes()));
    out.append(kRtfHeader);
    appendRtfLines(lines, 0, out);
    return out;
}

bool rewriteRtfTail(const LineList& lines, std::size_t unchanged, std::size_t oldLines, bool oldEndsEmpty,
                    std::string& bytes) {
    if (unchanged == 0 || unchanged > lines.size() || unchanged > oldLines || !bytes.starts_with(kRtfHeader) ||
        !bytes.ends_with(kRtfEnd)) {
        return false;
    }
    // From the end: the document's end, the extra mark of a list that ended in an
    // empty line, and the marks of the old lines from `unchanged` on; the line break
    // before is the one that ends line unchanged - 1. No line holds a line break, so
    // each one is a paragraph mark's.
    std::size_t breaks = 1 + (oldEndsEmpty ? 1 : 0) + (oldLines - unchanged) + 1;
    std::size_t end = bytes.size();
    const void* found = nullptr;
    while (breaks-- > 0) {
        found = ::memrchr(bytes.data(), '\n', end);
        if (found == nullptr) return false;
        end = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
    }
    const std::size_t cut = end + 1;
    if (cut < kRtfHeader.size() + kRtfParagraph.size() ||
        std::string_view(bytes).substr(cut - kRtfParagraph.size(), kRtfParagraph.size()) != kRtfParagraph) {
        return false;
    }
    std::size_t tailBytes = 0;
    for (std::size_t i = unchanged; i < lines.size(); ++i) tailBytes += lines[i].size();
    const std::size_t need = cut + worstRtfSize(lines, unchanged, tailBytes);
    bytes.resize(cut);
    // Room for this and later rewrites: the bytes kept are not copied each time.
    if (bytes.capacity() < need) bytes.reserve(need + need / 8);
    appendRtfLines(lines, unchanged, bytes);
    return true;
}

}  // namespace cpuchat
