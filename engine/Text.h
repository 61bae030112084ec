#pragma once
// Text of the program: single-byte Windows-1251 strings held in std::string.
// The windows and the console speak UTF-8 (or QString); they convert at their edge
// with toUtf8()/fromUtf8(), never inside the engine.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cpuchat {

/// Upper-cases one Windows-1251 character: Latin a-z, Cyrillic а-я and ё; all else stays.
constexpr char upperChar(char c) noexcept {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
    if (b >= 0xE0) return static_cast<char>(b - 0x20);
    if (b == 0xB8) return static_cast<char>(0xA8);
    return c;
}

/// Upper-cases a Windows-1251 text with upperChar().
std::string toUpper(std::string_view text);

/// Unicode code point of a Windows-1251 byte. Byte 0x98 has no character in the code
/// page; it maps to U+0098 so that every byte survives a round trip.
char32_t toUnicode(unsigned char byte) noexcept;

/// Windows-1251 byte for a code point, or -1 when the code page cannot hold it.
int fromUnicode(char32_t cp) noexcept;

/// How the bytes of another code page read as Windows-1251 text: "?" for a character
/// that Windows-1251 cannot hold. Tables are built once per code page from the
/// system's converter (iconv) and kept for the life of the program, so reading
/// costs a table look-up per byte.
class CodePage {
public:
    /// The Windows code page `number` (1252, 437, 10000, 932...). nullptr stands for
    /// Windows-1251 itself, whose bytes are the program's own text; nullopt for a code
    /// page the program does not know or the system cannot convert.
    static std::optional<const CodePage*> find(std::int64_t number);

    /// The symbol character set: its bytes are pictures, not letters, and read as "?"
    /// (control bytes and the blank excepted).
    static const CodePage& symbol();

    /// The character of byte `b` standing alone.
    char single(unsigned char b) const noexcept { return single_[b]; }
    /// Whether byte `b` opens a two-byte character (double-byte code pages only).
    bool lead(unsigned char b) const noexcept { return lead_[b]; }
    /// The character of a lead and a trail byte, or NUL when the two bytes are no
    /// character of the code page.
    char pair(unsigned char lead, unsigned char trail) const noexcept { return pairs_[lead * 256u + trail]; }

private:
    std::array<char, 256> single_{};
    std::bitset<256> lead_;
    std::vector<char> pairs_;  // lead * 256 + trail; empty for single-byte code pages

    static std::optional<CodePage> fromIconv(const char* name);
};

/// Windows-1251 text to UTF-8.
std::string toUtf8(std::string_view cp1251);

/// UTF-8 text to Windows-1251; characters the code page cannot hold, and malformed
/// UTF-8 sequences, become "?".
std::string fromUtf8(std::string_view utf8);

/// Why fromUtf8Strict() refused a text: at byte `offset` of it, the character
/// `codePoint` that Windows-1251 cannot hold, or (nullopt) bytes that are not UTF-8.
class Utf8Error : public std::runtime_error {
public:
    Utf8Error(std::size_t offset, std::optional<char32_t> codePoint);
    std::size_t offset() const noexcept { return offset_; }
    std::optional<char32_t> codePoint() const noexcept { return codePoint_; }

private:
    std::size_t offset_;
    std::optional<char32_t> codePoint_;
};

/// UTF-8 text to Windows-1251 without loss: throws Utf8Error at the first character
/// the code page cannot hold and at the first malformed, overlong or surrogate
/// sequence. Every text that toUtf8() makes comes back byte for byte.
std::string fromUtf8Strict(std::string_view utf8);

}  // namespace cpuchat
