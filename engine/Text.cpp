#include "Text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

namespace cpuchat {

namespace {

// Code points of the bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Appends the UTF-8 encoding of a code point.
void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The code pages a document or a font may name, by Windows number, with their
// names in iconv. Windows-1251 is not among them: its bytes are the program's own.
constexpr std::pair<std::int64_t, const char*> kCodePages[] = {
    {437, "CP437"},         {737, "CP737"},        {775, "CP775"},          {850, "CP850"},
    {852, "CP852"},         {855, "CP855"},        {857, "CP857"},          {860, "CP860"},
    {861, "CP861"},         {862, "CP862"},        {863, "CP863"},          {864, "CP864"},
    {865, "CP865"},         {866, "CP866"},        {869, "CP869"},          {874, "CP874"},
    {932, "CP932"},         {936, "CP936"},        {949, "CP949"},          {950, "CP950"},
    {1250, "CP1250"},       {1252, "CP1252"},      {1253, "CP1253"},        {1254, "CP1254"},
    {1255, "CP1255"},       {1256, "CP1256"},      {1257, "CP1257"},        {1258, "CP1258"},
    {1361, "CP1361"},       {10000, "MACINTOSH"},  {10007, "MAC-CYRILLIC"}, {20866, "KOI8-R"},
    {21866, "KOI8-U"},      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},   {28595, "ISO-8859-5"},
    {28605, "ISO-8859-15"},
};

// One iconv conversion descriptor, closed when done.
class Converter {
public:
    explicit Converter(const char* from) : cd_(iconv_open("WCHAR_T", from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    enum class Result { Character, Incomplete, Invalid };

    // Converts exactly `bytes`, one or two of them, into one character.
    Result convert(std::string_view bytes, char32_t& cp) {
        char in[2];
        std::copy(bytes.begin(), bytes.end(), in);
        wchar_t out[4];
        char* inAt = in;
        std::size_t inLeft = bytes.size();
        char* outAt = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        const std::size_t r = iconv(cd_, &inAt, &inLeft, &outAt, &outLeft);
        const int error = errno;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        const std::size_t produced = (sizeof out - outLeft) / sizeof(wchar_t);
        if (r != static_cast<std::size_t>(-1) && inLeft == 0 && produced == 1) {
            cp = static_cast<char32_t>(out[0]);
            return Result::Character;
        }
        return r == static_cast<std::size_t>(-1) && error == EINVAL ? Result::Incomplete : Result::Invalid;
    }

private:
    iconv_t cd_;
};

char toWindows1251(char32_t cp) {
    const int byte = fromUnicode(cp);
    return byte < 0 ? '?' : static_cast<char>(byte);
}

}  // namespace

std::optional<CodePage> CodePage::fromIconv(const char* name) {
    Converter converter(name);
    if (!converter.ok()) return std::nullopt;
    CodePage page;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        char32_t cp = 0;
        switch (converter.convert(std::string_view(&byte, 1), cp)) {
            case Converter::Result::Character:
                page.single_[b] = toWindows1251(cp);
                break;
            case Converter::Result::Incomplete:
                page.single_[b] = '?';  // a lead byte with no trail after it
                page.lead_.set(b);
                break;
            case Converter::Result::Invalid:
                page.single_[b] = '?';
                break;
        }
    }
    if (page.lead_.none()) return page;
    page.pairs_.assign(256 * 256, '\0');
    for (int lead = 0; lead < 256; ++lead) {
        if (!page.lead_[lead]) continue;
        for (int trail = 0; trail < 256; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char32_t cp = 0;
            if (converter.convert(std::string_view(bytes, 2), cp) == Converter::Result::Character) {
                // NUL marks a pair that is no character: no code page spells NUL so.
                page.pairs_[lead * 256u + trail] = cp == 0 ? '?' : toWindows1251(cp);
            }
        }
    }
    return page;
}

std::optional<const CodePage*> CodePage::find(std::int64_t number) {
    if (number == 1251) return nullptr;
    const auto* known = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                                     [number](const auto& entry) { return entry.first == number; });
    if (known == std::end(kCodePages)) return std::nullopt;
    // Built on first use and never freed: readers keep pointers to the tables.
    static std::mutex mutex;
    static std::map<std::int64_t, std::optional<CodePage>> built;
    const std::lock_guard lock(mutex);
    auto it = built.find(number);
    if (it == built.end()) it = built.emplace(number, fromIconv(known->second)).first;
    if (!it->second) return std::nullopt;  // the system has no converter for it
    return &*it->second;
}

const CodePage& CodePage::symbol() {
    static const CodePage page = [] {
        CodePage p;
        for (int b = 0; b < 256; ++b) p.single_[b] = b <= ' ' ? static_cast<char>(b) : '?';
        return p;
    }();
    return page;
}

std::string toUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperChar(c);
    return out;
}

char32_t toUnicode(unsigned char byte) noexcept {
    return byte < 0x80 ? char32_t{byte} : char32_t{kHighHalf[byte - 0x80]};
}

int fromUnicode(char32_t cp) noexcept {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);
    for (std::size_t i = 0; i < 0x40; ++i) {
        if (kHighHalf[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

std::string toUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251) appendUtf8(out, toUnicode(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// One UTF-8 sequence at `i`: its code point and length, or length 0 when the bytes
// there are not UTF-8. `strict` also refuses overlong forms, surrogates and code
// points past U+10FFFF, which the lenient reader lets through.
struct Decoded {
    char32_t cp = 0;
    std::size_t length = 0;
};
Decoded decodeUtf8(std::string_view utf8, std::size_t i, bool strict) noexcept {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) return {b, 1};
    std::size_t len = 0;
    char32_t cp = 0;
    if ((b & 0xE0) == 0xC0) {
        len = 2;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        cp = b & 0x07;
    }
    if (len == 0 || i + len > utf8.size()) return {};
    for (std::size_t k = 1; k < len; ++k) {
        const auto cont = static_cast<unsigned char>(utf8[i + k]);
        if ((cont & 0xC0) != 0x80) return {};
        cp = (cp << 6) | (cont & 0x3F);
    }
    if (strict) {
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    }
    return {cp, len};
}

}  // namespace

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Decoded d = decodeUtf8(utf8, i, false);
        if (d.length == 0) {
            out += '?';
            ++i;  // resynchronise at the next byte
            continue;
        }
        const int byte = fromUnicode(d.cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
        i += d.length;
    }
    return out;
}

Utf8Error::Utf8Error(std::size_t offset, std::optional<char32_t> codePoint)
    : std::runtime_error(codePoint ? "character not in Windows-1251" : "malformed UTF-8"),
      offset_(offset),
      codePoint_(codePoint) {}

std::string fromUtf8Strict(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Decoded d = decodeUtf8(utf8, i, true);
        if (d.length == 0) throw Utf8Error(i, std::nullopt);
        const int byte = fromUnicode(d.cp);
        if (byte < 0) throw Utf8Error(i, d.cp);
        out += static_cast<char>(byte);
        i += d.length;
    }
    return out;
}

}  // namespace cpuchat
