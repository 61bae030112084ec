#include "Tools.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <stdexcept>

#include "FileStore.h"
#include "KnowledgeCheck.h"
#include "LineCodec.h"
#include "Matching.h"
#include "Text.h"
#include "Utf8Exchange.h"

namespace cpuchat {

namespace {

constexpr std::string_view kKnowledgeBase = "Base\\Words.Dat";

// Lines as a text editor numbers them: the header is line 1.
std::string lineNo(std::size_t index) { return std::to_string(index + 1); }

// The finding for a knowledge base the program refuses since it is an RTF document
// that is not whole: the line and byte where it stops.
void reportCutDocument(FileSystem& files, std::ostream& out) {
    std::string bytes;
    try {
        bytes = files.read(kKnowledgeBase);
    } catch (const FileError&) {
        return;
    }
    std::size_t cutAt = std::string::npos;
    if (isRtf(bytes)) readRtf(bytes, cutAt);
    if (cutAt == std::string::npos) return;
    const auto line = static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + cutAt, '\n'));
    out << kKnowledgeBase << ':' << lineNo(line) << ": error: "
        << (cutAt == bytes.size() ? "the RTF document is cut short at byte "
                                  : "text after the RTF document at byte ")
        << cutAt << "; the program neither reads nor writes it\n";
}

int check(FileStore& store, std::ostream& out, std::ostream& err) {
    Lines kb;
    try {
        kb = store.read(kKnowledgeBase);
    } catch (const FileError& e) {
        reportCutDocument(store.fileSystem(), out);
        err << toUtf8(e.what()) << '\n';
        return 2;
    }
    const CheckReport report = checkKnowledgeBase(*kb);
    std::size_t errors = 0;
    for (const Finding& f : report.findings) {
        errors += f.isError();
        out << kKnowledgeBase << ':' << lineNo(f.line) << (f.isError() ? ": error: " : ": warning: ")
            << toUtf8(f.message()) << '\n';
    }
    out << toUtf8(startupStatusText(report.counts)) << "   errors: " << errors
        << "   warnings: " << report.findings.size() - errors << '\n';
    return report.findings.empty() ? 0 : 1;
}

int transfer(const ToolOptions& options, FileStore& store, std::istream& in, std::ostream& out,
             std::ostream& err) {
    std::string path;
    try {
        path = baseFilePath(options.fileName);
    } catch (const std::invalid_argument& e) {
        err << "cpu-chat-cli: " << e.what() << '\n';
        return 2;
    }
    try {
        if (options.command == ToolOptions::Command::Export) {
            out << exportUtf8(store, path);
            return 0;
        }
        const std::string text(std::istreambuf_iterator<char>(in), {});
        replaceLines(store, path, linesFromUtf8(text));
        return 0;
    } catch (const ImportError& e) {
        err << "cpu-chat-cli: nothing imported: " << e.what() << '\n';
        return 1;
    } catch (const FileError& e) {
        err << toUtf8(e.what()) << '\n';
        return 2;
    }
}

}  // namespace

bool parseToolOption(int argc, char** argv, int& i, ToolOptions& options) {
    const std::string_view arg = argv[i];
    if (arg == "--check") {
        options.command = ToolOptions::Command::Check;
    } else if (arg == "--explain") {
        options.explain = true;
    } else if ((arg == "--export" || arg == "--import") && i + 1 < argc) {
        options.command = arg == "--export" ? ToolOptions::Command::Export : ToolOptions::Command::Import;
        options.fileName = argv[++i];
    } else {
        return false;
    }
    return true;
}

int runTool(const ToolOptions& options, FileSystem& files, std::istream& in, std::ostream& out,
            std::ostream& err) {
    FileStore store(files);
    if (options.command == ToolOptions::Command::Check) return check(store, out, err);
    return transfer(options, store, in, out, err);
}

bool mayBeSent(std::string_view phrase, std::ostream& err) {
    const auto marker = std::find_if(phrase.begin(), phrase.end(), isFormatMarker);
    if (marker == phrase.end()) return true;
    err << "cpu-chat-cli: not sent: the phrase holds \"" << *marker
        << "\", which marks the lines of the knowledge base\n";
    return false;
}

void explainSay(const SayResult& result, std::ostream& err) {
    if (!result.replyShown) return;
    const Reason& why = result.why;
    const std::string n = lineNo(why.line);
    switch (why.source) {
        case Reason::Source::KnowledgeBase:
            err << "why: Words.Dat line " << n << '\n';
            break;
        case Reason::Source::Branch:
            err << "why: Words.Dat line " << n << " (branch)\n";
            break;
        case Reason::Source::Repeat:
            err << "why: repeat (Povtor.Dat line " << n << ")\n";
            break;
        case Reason::Source::Abuse:
            err << "why: abuse (X.Dat line " << n << ")\n";
            break;
        case Reason::Source::LongPhrase:
            err << "why: long phrase (BigString.Dat line " << n << ")\n";
            break;
        case Reason::Source::HumanTopic:
            err << "why: human topic (last reply again)\n";
            break;
        case Reason::Source::AnswerPool:
            err << "why: unknown (W1.Dat line " << n << ")\n";
            break;
        case Reason::Source::RemarkPool:
            err << "why: unknown (W2.Dat line " << n << ")\n";
            break;
        case Reason::Source::Afterthought:
        case Reason::Source::None:
            break;
    }
    const Learning& learned = result.learned;
    std::string parts;
    const auto add = [&](const std::string& part) { parts += (parts.empty() ? "" : "; ") + part; };
    if (learned.pool != Learning::Pool::None) {
        add(learned.pool == Learning::Pool::Answer ? "pool W1.Dat" : "pool W2.Dat");
    }
    if (learned.newKey) add("new key at line " + lineNo(*learned.newKey));
    if (learned.answered) {
        add("answer added to line " + lineNo(*learned.answered) + " (moved from line " +
            lineNo(learned.movedFrom) + ")");
    }
    if (!parts.empty()) err << "learned: " << parts << '\n';
}

void explainAfterthought(const Reason& why, std::ostream& err) {
    err << "why: afterthought (AI.dat line " << lineNo(why.line) << ")\n";
}

}  // namespace cpuchat
