#pragma once
// The dialogue engine: everything the program does with a phrase, with no window.
//
// A window (or the console program) calls say() with the input line's text and
// shows what the SayResult reports; it calls the tick operations from its timers.
// The engine owns all dialogue state, the scratch lists, the session record and
// the transcript of the dialogue view (its lines and their kinds), and reads and
// writes the files of Base through a FileStore. Texts are Windows-1251.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FileStore.h"
#include "KnowledgeCounts.h"
#include "LineList.h"
#include "Random.h"

namespace cpuchat {

enum class Mode { CpuUser, CpuCpu };

/// What a line of the dialogue view is; the window draws each kind in its attributes
/// (user: user colour and font; cpu: Cpu colour and font; remark: general colour;
/// service and empty: service colour).
enum class LineKind { User, Cpu, Remark, Service, Empty };

struct ViewLine {
    LineKind kind;
    std::string text;
    bool operator==(const ViewLine&) const = default;
};

/// Where a Cpu line came from, for authors who ask why (the console's --explain).
/// Two numbers, so that a Say nobody asks about pays nothing for them.
struct Reason {
    enum class Source : std::uint8_t {
        None,
        KnowledgeBase,  // the main scan of "Base\Words.Dat"
        Branch,         // the branch walk of "Base\Words.Dat"
        Repeat,         // "Base\Povtor.Dat"
        Abuse,          // "Base\X.Dat"
        LongPhrase,     // "Base\BigString.Dat"
        HumanTopic,     // the last Cpu line said again; `line` is not used
        AnswerPool,     // "Base\W1.Dat"
        RemarkPool,     // "Base\W2.Dat"
        Afterthought,   // "Base\AI.dat"
    };
    Source source = Source::None;
    std::size_t line = 0;  // 0-based line of the source file
    bool operator==(const Reason&) const = default;
};

/// What learning wrote in one Say; 0-based lines of the files as written.
struct Learning {
    /// The pool the phrase joined: W1 after a Cpu question, W2 otherwise.
    enum class Pool : std::uint8_t { None, Answer, Remark };
    Pool pool = Pool::None;
    /// The new unanswered key in "Base\Words.Dat".
    std::optional<std::size_t> newKey;
    /// The line that got the phrase as one more answer, and where it was before.
    std::optional<std::size_t> answered;
    std::size_t movedFrom = 0;
    bool operator==(const Learning&) const = default;
};

/// What one run of Say did, in the order a window shows it.
struct SayResult {
    /// False when nothing was sent (an empty self-dialogue source): nothing else happened.
    bool ran = false;
    /// The phrase appended as a user line (player 2 plays).
    std::string userLine;
    /// A Cpu line was appended (player 5 plays); false when a failure came first.
    bool replyShown = false;
    std::string reply;
    /// Start (true) or stop (false) the closing animation; nullopt leaves it alone.
    std::optional<bool> closing;
    /// Start (true) or stop (false) the afterthought timer; nullopt leaves it alone.
    std::optional<bool> afterthought;
    /// Self-dialogue: the line written to the source file.
    std::optional<std::string> sourceLine;
    /// The message of the failure that ended the run early.
    std::optional<std::string> failure;
    /// The run reached its end: the window clears the input line.
    bool completed = false;
    /// Where the reply came from (when one was shown), and what was learned.
    Reason why;
    Learning learned;
};

class Engine {
public:
    Engine(FileSystem& files, Random& random, Clock& clock);
    /// An engine over a store that outlives it (the store keeps what it decoded).
    Engine(FileStore& store, Random& random, Clock& clock);

    /// Window creation: reads "Base\Words.dat" into the scratch list. Throws FileError.
    void formCreate();
    /// Start-up load: reads "Base\Words.Dat" and returns the text of status panel 2.
    /// Throws FileError.
    std::string startupLoad();

    /// Say. `inputLine` is the input line's text (Cpu\User mode); in Cpu\Cpu mode the
    /// phrase comes from the transfer buffer and the reply is written to `sourcePath`.
    /// Never throws: a failure ends the run and is reported in the result.
    SayResult say(Mode mode, std::string_view inputLine, std::string_view sourcePath = {});

    /// Cpu\Cpu tick, first half: loads the source file as plain text into the transfer
    /// buffer. Throws FileError. The window then sets its interval and runs say().
    void loadSource(std::string_view path);

    /// One tick of the afterthought timer (every 1000 ms while it runs). Returns the
    /// Cpu line appended when the afterthought came; the window then stops the timer.
    /// `why`, when given, learns which line it was.
    std::optional<std::string> afterthoughtTick(Reason* why = nullptr);

    /// One tick of the idle-remark timer (every 1000 ms). Returns the remark appended
    /// to the view when one fell due. Throws FileError (the counter keeps its value).
    std::optional<std::string> idleTick();

    /// Mode switches: the service lines (and, for Cpu\User, the empty line).
    void switchToCpuUser();
    void switchToCpuCpu();

    /// New dialogue: empties the view and the record.
    void newDialogue();
    /// Undo: removes the last line of the view and of the record.
    void undo();
    /// Exit: appends the log block to "Base\Log.Lormak". Throws FileError.
    void exitLog();

    /// The knowledge statistics (reads the data files). Throws FileError.
    KnowledgeStats statistics();

    // What the window shows and what tests look at.
    const std::vector<ViewLine>& view() const noexcept { return view_; }
    const LineList& record() const noexcept { return record_; }
    const std::string& phrase() const noexcept { return phrase_; }
    const std::string& rawInput() const noexcept { return rawInput_; }
    const std::string& reply() const noexcept { return reply_; }
    const std::string& previousReply() const noexcept { return previousReply_; }
    int branchDepth() const noexcept { return branchDepth_; }
    std::size_t branchAnchor() const noexcept { return branchAnchor_; }
    bool humanTopic() const noexcept { return humanTopic_; }
    int idleCounter() const noexcept { return idleCounter_; }
    int afterthoughtCounter() const noexcept { return afterthoughtCounter_; }
    const LineList& scratch() const noexcept { return *scratch_; }
    Random& random() noexcept { return random_; }
    Clock& clock() noexcept { return clock_; }
    FileStore& store() noexcept { return store_; }

private:
    struct Stop {};  // ends a Say run at its output step

    void readPhrase(Mode mode, std::string_view inputLine);
    std::optional<std::string> abuseScreen();
    void humanTopicScreen();
    bool search();
    bool mainScan();
    bool branchScan();
    void answerUnknown();
    void appendView(LineKind kind, std::string_view text);
    void appendRecord(std::string_view prefix, std::string_view text);
    std::string drawLine(const LineList& lines, int first, Reason::Source source);

    std::unique_ptr<FileStore> ownStore_;
    FileStore& store_;
    Random& random_;
    Clock& clock_;

    std::string phrase_;
    std::string rawInput_;
    std::string upperInput_;
    std::string reply_;
    std::string previousReply_;
    int branchDepth_ = 0;
    std::size_t branchAnchor_ = 0;
    bool humanTopic_ = false;
    int idleCounter_ = 0;
    int afterthoughtCounter_ = 0;
    std::optional<bool> closing_;
    Reason why_;  // of the current Say, as closing_
    Learning learned_;

    Lines scratch_;
    Lines scratch2_;
    LineList transfer_;
    LineList record_;
    std::vector<ViewLine> view_;
};

}  // namespace cpuchat
