#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "LineCodec.h"
#include "TestSupport.h"

namespace cpuchat {
namespace {

using test::w;
using namespace std::string_literals;

std::vector<std::string> lines(std::initializer_list<const char*> utf8) {
    std::vector<std::string> out;
    for (const char* s : utf8) out.push_back(w(s));
    return out;
}

TEST(PlainText, SplitsAtEveryKindOfLineBreak) {
    struct Row {
        std::string bytes;
        std::vector<std::string> expected;
    } rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},          // edited on Linux
        {"a\rb", {"a", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\r\n", {""}},
        {"a\r\n\r\n", {"a", ""}},
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
    };
    for (const Row& row : rows) EXPECT_EQ(readPlainText(row.bytes).toVector(), row.expected) << row.bytes;
}

TEST(PlainText, LongLinesAreKeptWhole) {
    const std::string longLine(100000, 'x');
    const LineList read = readPlainText(longLine + "\r\nshort\r\n");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0], longLine);
}

TEST(Rtf, ReadsTheTextOfDocumentsFromSeveralWriters) {
    struct Row {
        const char* name;
        std::string rtf;
        std::vector<std::string> expected;
    } rows[] = {
        {"rich edit with cyrillic",
         "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\r\n"
         "\\viewkind4\\uc1\\pard\\f0\\fs16 \\'cf\\'d0\\'c8\\'c2\\'c5\\'d2^\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2!;\\par\r\n"
         "\\'cf\\'ce\\'ca\\'c0^;@\\par\r\n}\r\n" + std::string(1, '\0'),
         lines({"ПРИВЕТ^Привет!;", "ПОКА^;@"})},
        {"libreoffice unicode with fallback",
         "{\\rtf1\\ansi\\deff4\\adeflang1025{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}}"
         "{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0\\snext0 Normal;}}{\\*\\generator LibreOffice;}"
         "{\\info{\\creatim\\yr2026}}\\pard\\plain \\s0{\\rtlch \\ltrch\\loch \\u1044\\'3f\\u1072\\'3f}\\par"
         "\\pard\\plain \\s0{\\u1053\\'3f\\u1077\\'3f\\u1090\\'3f}\\par}",
         lines({"Да", "Нет"})},
        {"uc in nested groups is scoped",
         "{\\rtf1\\uc2{\\uc1\\u1044 xy}\\u1072 zw{\\uc0\\u1073 c}d}", lines({"Дyабcd"})},
        {"uc0 has no fallback", "{\\rtf1\\uc0\\u1044\\u1072 a}", lines({"Даa"})},
        {"escapes", "{\\rtf1 a\\\\b\\{c\\}d\\tab e\\~f\\-g\\_h}", lines({"a\\b{c}d\te\xC2\xA0" "fg-h"})},
        {"skipped destinations",
         "{\\rtf1{\\*\\panose 0102}{\\pict\\wmetafile8 0a0b0c}{\\fonttbl{\\f0 Arial;}}{\\pntext 1.}"
         "{\\*\\unknowndest text}A{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt B}}\\line C}",
         lines({"AB", "C"})},
        {"no final par", "{\\rtf1 a\\par b}", lines({"a", "b"})},
        {"one final par", "{\\rtf1 a\\par b\\par}", lines({"a", "b"})},
        {"two final pars", "{\\rtf1 a\\par b\\par\\par}", lines({"a", "b"})},
        {"empty line inside", "{\\rtf1 a\\par\\par b\\par}", lines({"a", "", "b"})},
        {"binary data is skipped", "{\\rtf1 a\\bin3 }}}b}", lines({"ab"})},
        {"text after the document is ignored", "{\\rtf1 a}\\par b", lines({"a"})},
        {"unterminated group keeps its text", "{\\rtf1 a\\par b{\\b c", lines({"a", "bc"})},
        {"surrogate pair gives one question mark", "{\\rtf1 \\u-10179?\\u-8704?x}", lines({"?x"})},
        {"out of range unicode", "{\\rtf1 \\u99999999?a\\u-40000?b}", lines({"?a?b"})},
        {"bad hex escape", "{\\rtf1 a\\'zzb\\'4}", lines({"azzb4"})},
        {"negative parameter and control symbol", "{\\rtf1\\li-720 x\\|y}", lines({"xy"})},
        {"backslash line break is a paragraph", "{\\rtf1 a\\\r\nb}", lines({"a", "b"})},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(isRtf(row.rtf)) << row.name;
        EXPECT_EQ(readRtf(row.rtf).toVector(), row.expected) << row.name;
    }
}

TEST(Rtf, ReadsEachRunInItsCodePage) {
    const std::string japanese =
        "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}}\\f0 ";
    struct Row {
        const char* name;
        std::string rtf;
        std::vector<std::string> expected;
    } rows[] = {
        // Files of the program and of its users read as they always did.
        {"nothing declared is windows-1251",
         "{\\rtf1 \\'cf\\'f0\\'e8 \xE2\\'98\x98}",
         {w("При в") + "\x98\x98"}},
        {"windows-1251 document and font",
         "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\\f0 "
         "\\'cf\\'e8}",
         lines({"Пи"})},
        {"a windows-1251 font in a windows-1252 document",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}\\'cf\xE8}",
         lines({"Пи"})},
        {"default character set follows the document",
         "{\\rtf1\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 X;}}\\'e9}", lines({"й"})},
        {"unknown code page counts as not declared", "{\\rtf1\\ansicpg99999 \\'cf}", lines({"П"})},
        {"unknown character set follows the document",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset99 X;}}\\'e9}", lines({"?"})},
        // Other code pages, as LibreOffice reads them.
        {"windows-1252", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9\\par}", lines({"caf?"})},
        {"one half in windows-1252", "{\\rtf1\\ansi\\ansicpg1252 1 \\'bd pt\\par}", lines({"1 ? pt"})},
        {"raw byte in windows-1252", "{\\rtf1\\ansi\\ansicpg1252 najbli\x9eu}", lines({"najbli?u"})},
        {"ansi alone", "{\\rtf1\\ansi \\'e9\\'a7}", lines({"?§"})},
        {"mac roman", "{\\rtf1\\mac caf\\'8e\\par}", lines({"caf?"})},
        {"pc", "{\\rtf1\\pc \\'f1\\'f2\\'f3\\par}", lines({"±??"})},
        {"pca", "{\\rtf1\\pca \\'cf\\'f1}", lines({"¤±"})},
        {"cyrillic in dos, koi8-r and mac code pages",
         "{\\rtf1{\\ansicpg866 \\'8f\\'e0}{\\ansicpg20866 \\'f0\\'d2}{\\ansicpg10007 \\'8f\\'f0}}",
         lines({"ПрПрПр"})},
        {"latin font in a windows-1251 document",
         "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}caf\\'e9}",
         lines({"caf?"})},
        {"symbol font",
         "{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset2 Symbol;}}\\f0 a{\\f1 \\'c5 b}\\'c5}",
         lines({"a? ?Е"})},
        {"fonts by character set",
         "{\\rtf1\\ansicpg1252{\\fonttbl{\\f1\\fcharset161 G;}{\\f2\\fcharset238 E;}{\\f3\\fcharset255 "
         "O;}{\\f4\\fcharset0\\cpg1251 C;}}"
         "\\f1\\'b1\\'e1\\f2\\'a7\\'9e\\f3\\'8f\\f4\\'cf}",
         lines({"±?§?ПП"})},
        {"default font and plain",
         "{\\rtf1\\deff1{\\fonttbl{\\f0\\fcharset204 A;}{\\f1\\fcharset0 "
         "B;}}\\'e9{\\f0\\'e9}\\f0\\'e9\\plain\\'e9}",
         lines({"?йй?"})},
        {"double-byte character", japanese + "\\'82\\'a0\\par}", lines({"?"})},
        {"cyrillic in shift-jis, raw", japanese + "\x84M\x84p\x84\x82}", lines({"Мар"})},
        {"lead escaped, trail raw", japanese + "\\'84M\\'84\\'70}", lines({"Ма"})},
        {"lead byte without a trail", japanese + "a\\'84\\par b\\'84}", lines({"a?", "b?"})},
        {"unicode is unicode in any font", japanese + "\\u1044\\'3f}", lines({"Д"})},
    };
    for (const Row& row : rows) EXPECT_EQ(readRtf(row.rtf).toVector(), row.expected) << row.name;
}

TEST(Rtf, ReadsWhatARichEditControlReads) {
    struct Row {
        const char* name;
        std::string rtf;
        std::vector<std::string> expected;
    } rows[] = {
        {"urtf", "{\\urtf sometext}", {"sometext"}},
        {"urtf with paragraphs", "{\\urtf1 a\\par b}", {"a", "b"}},
        {"NUL in the text is a blank", "{\\rtf1\\ansi{Th\0is\0 is a test}}"s, {"Th is  is a test"}},
        {"NUL after the document is ignored", "{\\rtf1 a}\0\0"s, {"a"}},
        {"direction and joiner marks are dropped",
         "{\\rtf1 a\\ltrmark b\\rtlmark c\\zwj d\\zwnj e}",
         {"abcde"}},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(isRtf(row.rtf)) << row.name;
        EXPECT_EQ(readLines(row.rtf).toVector(), row.expected) << row.name;
    }
}

TEST(Rtf, ReadsADocumentSavedByLibreOffice) {
    std::ifstream in(std::string(CPU_CHAT_TEST_DATA_DIR) + "/libreoffice-writer.rtf", std::ios::binary);
    const std::string rtf((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(isRtf(rtf));
    std::size_t cutAt = 0;
    EXPECT_EQ(readRtf(rtf, cutAt).toVector(), lines({"База знаний", "ПРИВЕТ^Привет!;Здравствуй.;", "",
                                                     "скобки {x} и \\ обратная черта", "ёЁ№«»—"}));
    EXPECT_EQ(cutAt, std::string::npos);  // a whole document
}

TEST(Rtf, TellsWhereADocumentThatIsNotWholeStops) {
    const std::size_t whole = std::string::npos, end = whole - 1;  // end: the size of the row's document
    const std::pair<std::string, std::size_t> rows[] = {
        {"{\\rtf1 a\\par}\r\n \t", whole},
        {"{\\rtf1 a}\r\n\0\0"s, whole},  // as Rich Edit streams it
        {"{\\rtf1{\\fonttbl{\\f0 A;}}a\\par b", end},
        {"{\\rtf1 a\\}", end},        // an escaped brace closes nothing
        {"{\\rtf1 \\bin1 }", end},    // nor does a brace in binary data
        {"{\\rtf1 a}\r\nb", 11},      // text after the end
        {"{\\rtf1 a}{\\rtf1 b}", 9},  // a second document
    };
    for (const auto& [rtf, expected] : rows) {
        std::size_t cutAt = 0;
        readRtf(rtf, cutAt);
        EXPECT_EQ(cutAt, expected == end ? rtf.size() : expected) << rtf;
    }
}

TEST(Rtf, PlainTextAndRtfGiveTheSameLines) {
    const std::vector<std::string> kb = lines({"База", "ПРИВЕТ^Привет!;Здравствуй.;", "_КАК ДЕЛА^Хорошо.;",
                                               "__А У ТЕБЯ^Тоже хорошо.;", "ПОКА^До свидания.;@",
                                               "ЧТО ТАКОЕ СЧАСТЬЕ?^"});
    LineList list;
    for (const auto& l : kb) list.append(l);
    const std::string plain = writePlainText(list);
    const std::string rtf = writeRtf(list);
    EXPECT_FALSE(isRtf(plain));
    EXPECT_TRUE(isRtf(rtf));
    EXPECT_EQ(readLines(plain).toVector(), kb);
    EXPECT_EQ(readLines(rtf).toVector(), kb);
}

TEST(Rtf, WriterOutputReadsBackExactly) {
    std::string every;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') every += static_cast<char>(b);
    }
    const std::vector<std::vector<std::string>> cases = {
        {},
        {""},
        {"", ""},
        {"a", ""},
        {"", "a"},
        {"\\par", "{", "}", "\\'41", " leading", "trailing ", "123", "\\u1044?"},
        {every, every + every},
        {std::string(5000, '\xE9')},
    };
    for (const auto& c : cases) {
        LineList list;
        for (const auto& l : c) list.append(l);
        const std::string rtf = writeRtf(list);
        EXPECT_EQ(readRtf(rtf).toVector(), c);
    }
}

TEST(Rtf, ADocumentRewrittenFromItsFirstChangedLineIsTheWholeDocument) {
    std::mt19937 gen(31337);
    const auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(gen); };
    const std::string chars = w("аЯ z\\{}\x01;^_");
    const auto randomLine = [&] {
        std::string line;
        for (int n = pick(0, 3) == 0 ? 0 : pick(1, 12); n > 0; --n)
            line += chars[static_cast<std::size_t>(pick(0, int(chars.size()) - 1))];
        return line;
    };
    int rewritten = 0;
    for (int round = 0; round < 2000; ++round) {
        LineList list;
        for (int n = pick(1, 30); n > 0; --n) list.append(randomLine());
        std::string bytes = writeRtf(list);
        list.markWritten(1);
        const std::size_t oldLines = list.size();
        const bool oldEndsEmpty = list.back().empty();
        for (int edits = pick(1, 4); edits > 0; --edits) {  // as learning edits: removes and appends
            if (pick(0, 1) == 0 && !list.empty()) {
                list.remove(static_cast<std::size_t>(pick(0, int(list.size()) - 1)));
            } else {
                list.append(randomLine());
            }
        }
        const std::string before = bytes;
        if (rewriteRtfTail(list, list.unchangedSinceWritten(), oldLines, oldEndsEmpty, bytes)) {
            ++rewritten;
            ASSERT_EQ(bytes, writeRtf(list)) << round;
        } else {
            ASSERT_EQ(list.unchangedSinceWritten(), 0u) << round;  // refused only with nothing to keep
            ASSERT_EQ(bytes, before) << round;
        }
    }
    EXPECT_GT(rewritten, 1500);
    std::string notOurs = "{\\rtf1 x\\par\r\n}\r\n";
    EXPECT_FALSE(rewriteRtfTail(LineList{"x", "y"}, 1, 1, false, notOurs));
}

TEST(Rtf, WritesARichEditStyleDocument) {
    LineList list{w("Привет"), "a{b}"};
    EXPECT_EQ(writeRtf(list),
              "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\r\n"
              "\\viewkind4\\uc1\\pard\\f0\\fs16 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par\r\n"
              "a\\{b\\}\\par\r\n"
              "}\r\n");
    // A list ending in an empty line gets one more paragraph mark to keep it.
    EXPECT_TRUE(writeRtf(LineList{"a", ""}).ends_with("a\\par\r\n\\par\r\n\\par\r\n}\r\n"));
}

TEST(Rtf, DeepNestingDoesNotExhaustTheStack) {
    const std::size_t depth = 100000;
    std::string rtf = "{\\rtf1 ";
    rtf += std::string(depth, '{');
    rtf += "deep";
    rtf += std::string(depth, '}');
    rtf += "}";
    EXPECT_EQ(readRtf(rtf).toVector(), std::vector<std::string>{"deep"});
    EXPECT_EQ(readRtf("{\\rtf1 " + std::string(depth, '{') + "x").toVector(), std::vector<std::string>{"x"});
}

TEST(Rtf, HugeBinaryCountEndsTheDocument) {
    EXPECT_EQ(readRtf("{\\rtf1 a\\bin99999999999999999999 b}").toVector(), std::vector<std::string>{"a"});
}

TEST(Rtf, OnlyDocumentsThatBeginWithTheRtfWordAreRtf) {
    EXPECT_TRUE(isRtf("{\\rtf1"));
    EXPECT_FALSE(isRtf(" {\\rtf1"));
    EXPECT_FALSE(isRtf("{\\rt"));
    EXPECT_EQ(readLines("{not rtf}\r\nx").toVector(), (std::vector<std::string>{"{not rtf}", "x"}));
}

}  // namespace
}  // namespace cpuchat
