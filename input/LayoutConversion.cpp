#include "LayoutConversion.h"

#include <array>

namespace cpuchat {

namespace {

struct Entry {
    unsigned char from;
    unsigned char to;  // Windows-1251
};

// The keyboard table of the program. It differs from the standard Russian layout on
// purpose: ',', '.', '\'' and '?' stay as they are, '<' and '>' give lower-case "б" and
// "ю", and the double quote gives upper-case "Э" (nothing gives "э").
constexpr std::array<Entry, 70> kTable = {{
    // Upper letter row: q w e r t y u i o p -> й ц у к е н г ш щ з
    {'q', 0xE9}, {'w', 0xF6}, {'e', 0xF3}, {'r', 0xEA}, {'t', 0xE5},
    {'y', 0xED}, {'u', 0xE3}, {'i', 0xF8}, {'o', 0xF9}, {'p', 0xE7},
    {'Q', 0xC9}, {'W', 0xD6}, {'E', 0xD3}, {'R', 0xCA}, {'T', 0xC5},
    {'Y', 0xCD}, {'U', 0xC3}, {'I', 0xD8}, {'O', 0xD9}, {'P', 0xC7},
    // Middle row: a s d f g h j k l -> ф ы в а п р о л д
    {'a', 0xF4}, {'s', 0xFB}, {'d', 0xE2}, {'f', 0xE0}, {'g', 0xEF},
    {'h', 0xF0}, {'j', 0xEE}, {'k', 0xEB}, {'l', 0xE4},
    {'A', 0xD4}, {'S', 0xDB}, {'D', 0xC2}, {'F', 0xC0}, {'G', 0xCF},
    {'H', 0xD0}, {'J', 0xCE}, {'K', 0xCB}, {'L', 0xC4},
    // Lower row: z x c v b n m -> я ч с м и т ь
    {'z', 0xFF}, {'x', 0xF7}, {'c', 0xF1}, {'v', 0xEC}, {'b', 0xE8}, {'n', 0xF2}, {'m', 0xFC},
    {'Z', 0xDF}, {'X', 0xD7}, {'C', 0xD1}, {'V', 0xCC}, {'B', 0xC8}, {'N', 0xD2}, {'M', 0xDC},
    // Other keys.
    {'`', 0xB8},   // ё
    {'~', 0xA8},   // Ё
    {'[', 0xF5},   // х
    {'{', 0xD5},   // Х
    {']', 0xFA},   // ъ
    {'}', 0xDA},   // Ъ
    {';', 0xE6},   // ж
    {':', 0xC6},   // Ж
    {'"', 0xDD},   // Э
    {'<', 0xE1},   // б
    {'>', 0xFE},   // ю
    {'/', '.'},
    {'|', '/'},
    {'@', '"'},
    {'#', 0xB9},   // №
    {'$', ';'},
    {'^', ':'},
    {'&', '?'},
}};

// A 256-entry lookup built from the table: looking each position up once in the text as
// typed is what makes the conversion a single pass.
constexpr std::array<unsigned char, 256> makeLookup() {
    std::array<unsigned char, 256> lookup{};
    for (int i = 0; i < 256; ++i) lookup[i] = static_cast<unsigned char>(i);
    for (const Entry& e : kTable) lookup[e.from] = e.to;
    return lookup;
}

constexpr std::array<unsigned char, 256> kLookup = makeLookup();

// The keys read both ways. Entries that give punctuation are left out: the layouts share
// those characters on other keys, so they name no key.
constexpr std::array<unsigned char, 256> makeOtherLayout() {
    std::array<unsigned char, 256> other{};
    for (int i = 0; i < 256; ++i) other[i] = static_cast<unsigned char>(i);
    for (const Entry& e : kTable) {
        if (e.to < 0x80) continue;
        other[e.from] = e.to;
        other[e.to] = e.from;
    }
    return other;
}

constexpr std::array<unsigned char, 256> kOtherLayout = makeOtherLayout();

}  // namespace

char convertLayoutChar(char c) noexcept {
    return static_cast<char>(kLookup[static_cast<unsigned char>(c)]);
}

char otherLayoutChar(char cp1251) noexcept {
    return static_cast<char>(kOtherLayout[static_cast<unsigned char>(cp1251)]);
}

std::string convertLayout(std::string_view cp1251) {
    std::string out(cp1251);
    for (char& c : out) c = convertLayoutChar(c);
    return out;
}

}  // namespace cpuchat
