#include "Engine.h"

#include <algorithm>

#include "BaseFiles.h"
#include "HeadIndex.h"
#include "LineCodec.h"
#include "Matching.h"
#include "SessionLog.h"
#include "Text.h"

namespace cpuchat {

using namespace base;

namespace {

constexpr std::string_view kUserPrefix = "USER:     ";
constexpr std::string_view kCpuPrefix = "CPU:     ";
constexpr std::size_t kLongPhrase = 110;

// First letter capitalised when it is a small Russian letter; the phrase ends in
// ".", "!" or "?" (a final "," becomes ".").
void normalise(std::string& phrase) {
    if (!phrase.empty()) {
        const auto first = static_cast<unsigned char>(phrase[0]);
        if (first >= 0xE0 || first == 0xB8) phrase[0] = upperChar(phrase[0]);
    }
    const char last = phrase.empty() ? '\0' : phrase.back();
    if (last == ',') {
        phrase.back() = '.';
    } else if (last != '.' && last != '!' && last != '?') {
        phrase += '.';
    }
}

std::string oneLine(const LineList& lines) {
    std::size_t count = lines.size();
    while (count > 0 && lines[count - 1].empty()) --count;
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += ' ';
        text += lines[i];
    }
    return text;
}

constexpr std::size_t kNone = std::string_view::npos;

bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

Engine::Engine(FileSystem& files, Random& random, Clock& clock)
    : ownStore_(std::make_unique<FileStore>(files)),
      store_(*ownStore_),
      random_(random),
      clock_(clock),
      scratch_(std::make_shared<LineList>()),
      scratch2_(std::make_shared<LineList>()) {}

Engine::Engine(FileStore& store, Random& random, Clock& clock)
    : store_(store),
      random_(random),
      clock_(clock),
      scratch_(std::make_shared<LineList>()),
      scratch2_(std::make_shared<LineList>()) {}

void Engine::formCreate() { scratch_ = store_.read(kWordsDatLower); }

std::string Engine::startupLoad() {
    scratch_ = store_.read(kWordsDat);
    return startupStatusText(countPhrases(*scratch_));
}

// Draws a line and records it as the reason of the reply.
std::string Engine::drawLine(const LineList& lines, int first, Reason::Source source) {
    const int last = static_cast<int>(lines.size()) - 1;
    why_ = {source, static_cast<std::size_t>(random_.uniform(first, last))};
    return std::string(lines[why_.line]);
}

void Engine::appendView(LineKind kind, std::string_view text) { view_.push_back({kind, std::string(text)}); }

void Engine::appendRecord(std::string_view prefix, std::string_view text) {
    std::string line(prefix);
    line += text;
    record_.append(line);
}

SayResult Engine::say(Mode mode, std::string_view inputLine, std::string_view sourcePath) {
    SayResult result;
    // A phrase is one line: the files store one phrase per line. The source file of
    // the self-dialogue (and any text with line breaks) loses its final line breaks
    // and has its further lines joined with a blank. An empty source sends nothing.
    const std::string text = oneLine(mode == Mode::CpuCpu ? transfer_ : readPlainText(inputLine));
    if (mode == Mode::CpuCpu && isBlank(text)) return result;
    result.ran = true;
    random_.seed(clock_.seedValue());
    closing_.reset();
    why_ = {};
    learned_ = {};

    rawInput_ = text;
    upperInput_ = toUpper(rawInput_);  // every scan compares the raw input upper-cased
    phrase_ = text;
    const std::string previousViewLine = view_.size() >= 2 ? view_[view_.size() - 2].text : std::string();
    normalise(phrase_);
    humanTopic_ = false;
    appendView(LineKind::User, phrase_);
    appendRecord(kUserPrefix, phrase_);
    result.userLine = phrase_;

    try {
        if (phrase_ == previousViewLine) {
            reply_ = drawLine(*(scratch_ = store_.read(kPovtor)), 0, Reason::Source::Repeat);
        } else if (std::optional<std::string> rebuke = abuseScreen()) {
            reply_ = std::move(*rebuke);
        } else {
            humanTopicScreen();
            const int r = random_.uniform(1, 6);
            if (r != 2 && r != 6 && phrase_.size() > kLongPhrase) {
                reply_ = drawLine(*(scratch_ = store_.read(kBigString)), 0, Reason::Source::LongPhrase);
            } else if (!search()) {
                answerUnknown();
            }
        }
        appendView(LineKind::Cpu, reply_);
        appendRecord(kCpuPrefix, reply_);
        result.replyShown = true;
        result.reply = reply_;
        result.why = why_;

        // The afterthought starts only once its lines are read: a failed read leaves
        // the scratch list holding another file, whose raw lines must not be shown.
        result.afterthought = false;
        if (random_.uniform(1, 3) == 1) {
            scratch_ = store_.read(kAfterthoughts);
            result.afterthought = true;
        }

        if (mode == Mode::CpuCpu) {
            transfer_.clear();
            transfer_.append(reply_);
            // The reply replaces whatever the source held: nothing is read first.
            store_.change(sourcePath, [&](FileChange& source) {
                source.assign(transfer_);
                source.writeAs(FileForm::Plain);
            });
            result.sourceLine = reply_;
        }
        previousReply_ = reply_;
        idleCounter_ = 0;
        result.completed = true;
    } catch (const FileError& e) {
        result.failure = e.what();
    }
    result.closing = closing_;  // set by the search even when a later step failed
    result.learned = learned_;
    return result;
}

std::optional<std::string> Engine::abuseScreen() {
    if (!anyWordFound(abuseWords(), upperInput_)) return std::nullopt;
    scratch_ = store_.read(kRebukes);
    std::string rebuke = drawLine(*scratch_, 0, Reason::Source::Abuse);
    store_.change(kCollection, scratch_, [&](FileChange& log) {
        log.edit().append(">>> " + rawInput_);
        log.writeAs(FileForm::Rtf);
    });
    return rebuke;
}

void Engine::humanTopicScreen() { humanTopic_ = anyWordFound(humanTopicWords(), upperInput_); }

bool Engine::search() { return branchDepth_ >= 1 ? branchScan() : mainScan(); }

bool Engine::mainScan() {
    auto [lines, index] = store_.readIndexed(kWordsDat);
    scratch_ = std::move(lines);
    const LineList& kb = *scratch_;
    // The first line the matcher finds, looked for among the lines that can be found
    // only (the index answers as a scan of every line does).
    const std::size_t n = index->firstMatch(kb, upperInput_);
    if (n == HeadIndex::npos) return false;
    const std::string_view line = kb[n];
    const std::size_t caret = matchMainLine(line, upperInput_);
    const int pick = random_.uniform(1, countAnswers(line));
    reply_ = answerAt(line, caret, pick);
    branchDepth_ += 1;
    branchAnchor_ = n;
    closing_ = line.back() == '@';
    why_ = {Reason::Source::KnowledgeBase, n};
    return true;
}

bool Engine::branchScan() {
    scratch_ = store_.read(kWordsDat);
    const LineList& kb = *scratch_;
    const int depth = branchDepth_;
    const auto underscores = static_cast<std::size_t>(depth);
    for (;;) {
        ++branchAnchor_;
        if (branchAnchor_ >= kb.size()) {
            branchDepth_ = 0;
            return mainScan();
        }
        const std::string_view line = kb[branchAnchor_];
        const WalkStep step = branchWalkStep(line, underscores);
        if (step.runEnds) {
            branchDepth_ = 0;
            return mainScan();
        }
        const std::size_t caret = step.caret;
        if (caret == std::string_view::npos) continue;
        if (!runScan(upperInput_, line.substr(underscores, caret - underscores))) continue;
        const int pick = random_.uniform(1, countAnswers(line));
        reply_ = answerAt(line, caret, pick);
        branchDepth_ = depth + 1;
        why_ = {Reason::Source::Branch, branchAnchor_};
        return true;
    }
}

void Engine::answerUnknown() {
    if (humanTopic_) {  // the last Cpu line is said again; nothing is learned
        why_ = {Reason::Source::HumanTopic};
        return;
    }
    const bool question = phrase_.back() == '?';
    scratch2_ = store_.read(question ? kAnswerPool : kRemarkPool);
    reply_ = drawLine(*scratch2_, 0, question ? Reason::Source::AnswerPool : Reason::Source::RemarkPool);
    bool inPool = false;
    for (std::size_t i = 1; i < scratch2_->size() && !inPool; ++i) inPool = (*scratch2_)[i] == phrase_;
    if (!inPool) {
        if (previousReply_.empty()) return;
        const bool afterQuestion = previousReply_.find('?') != std::string::npos;
        const std::string_view learnedInto = afterQuestion ? kAnswerPool : kRemarkPool;
        store_.change(learnedInto, scratch2_, [&](FileChange& pool) {
            pool.edit().append(phrase_);
            pool.writeAs(FileForm::Rtf);
        });
        learned_.pool = afterQuestion ? Learning::Pool::Answer : Learning::Pool::Remark;
    }

    // The lock is held from the read that decides what is learned to the write: a
    // second copy of the program learning at the same time waits, then reads this
    // change.
    Learning learned;
    const bool written = store_.change(kWordsDat, scratch_, [&](FileChange& kb) {
        const std::string upperPhrase = toUpper(phrase_);
        if (firstKeyed(kb.lines(), upperPhrase) != kNone) return;  // known already
        // A phrase holding a marker of the knowledge-base format would split its key
        // or answer; the pools keep it, the knowledge base does not.
        if (phrase_.find_first_of("^;") != std::string::npos) return;

        // The new key, and the phrase as one more answer of the Cpu's previous line
        // when that line is a key, go to disk in one rewrite: the file never holds the
        // key without the answer, and a large knowledge base is written once per phrase.
        LineList& lines = kb.edit();
        lines.append(upperPhrase + "^");
        std::size_t newKey = lines.size() - 1;
        if (!previousReply_.empty()) {
            const std::string upperPrevious = toUpper(previousReply_);
            if (const std::size_t i = firstKeyed(lines, upperPrevious); i != kNone) {
                const std::string_view line = lines[i];
                std::string answered(line);
                answered += phrase_;
                answered += ';';
                lines.remove(i);
                lines.append(answered);
                // The new key moves up with the lines after the removed one, or is
                // itself the line answered (a phrase that repeats the Cpu's previous
                // reply).
                newKey = i < newKey ? newKey - 1 : lines.size() - 1;
                learned.answered = lines.size() - 1;
                learned.movedFrom = i;
            }
        }
        learned.newKey = newKey;
        kb.writeAs(FileForm::Rtf);
    });
    if (written) {
        learned_.newKey = learned.newKey;
        learned_.answered = learned.answered;
        learned_.movedFrom = learned.movedFrom;
    }
}

void Engine::loadSource(std::string_view path) { transfer_ = store_.readPlain(path); }

std::optional<std::string> Engine::afterthoughtTick(Reason* why) {
    afterthoughtCounter_ += 500;
    if (afterthoughtCounter_ != 1000) return std::nullopt;
    const std::string line = drawLine(*scratch_, 1, Reason::Source::Afterthought);
    if (why) *why = why_;
    appendView(LineKind::Cpu, line);
    appendRecord(kCpuPrefix, line);
    afterthoughtCounter_ = 0;
    return line;
}

std::optional<std::string> Engine::idleTick() {
    random_.seed(clock_.seedValue());
    const int threshold = random_.uniform(60, 90);
    ++idleCounter_;
    if (idleCounter_ < threshold) return std::nullopt;
    scratch_ = store_.read(kPause);
    std::string remark = drawLine(*scratch_, 0, Reason::Source::None);
    reply_ = remark;
    appendView(LineKind::Remark, remark);
    appendRecord(kUserPrefix, phrase_);
    idleCounter_ = 0;
    return remark;
}

void Engine::switchToCpuUser() {
    appendView(LineKind::Service, fromUtf8("Сервис:   // Режим диалога Cpu\\User."));
    appendView(LineKind::Empty, "");
}

void Engine::switchToCpuCpu() { appendView(LineKind::Service, fromUtf8("Сервис:   // Режим диалога Cpu\\Cpu.")); }

void Engine::newDialogue() {
    view_.clear();
    record_.clear();
}

void Engine::undo() {
    if (!view_.empty()) view_.pop_back();
    record_.removeLast();
}

void Engine::exitLog() {
    store_.change(kLog, scratch_, [&](FileChange& log) {
        log.lines();  // the log is read before the knowledge base, so its failure comes first
        scratch2_ = store_.read(kWordsDatLower);
        const auto now = clock_.now();
        appendLogBlock(log.edit(), logDate(now), logTime(now), static_cast<long long>(scratch2_->size()) - 1,
                       record_);
        log.writeAs(FileForm::Rtf);
    });
}

KnowledgeStats Engine::statistics() { return countKnowledge(store_, scratch_); }

}  // namespace cpuchat
