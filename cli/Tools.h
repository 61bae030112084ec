#pragma once
// The console's tools for the authors of a knowledge base: --check, --explain,
// --export NAME and --import NAME. The engine does the work; these print it.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "Engine.h"
#include "FileSystem.h"

namespace cpuchat {

struct ToolOptions {
    enum class Command { Check, Export, Import };
    std::optional<Command> command;  // runs instead of a conversation
    std::string fileName;            // of --export and --import
    bool explain = false;            // a reason on stderr with each Cpu line
};

/// Takes argv[i] (and its value, moving i on) when it is one of the tools' options.
bool parseToolOption(int argc, char** argv, int& i, ToolOptions& options);

/// Runs the command of `options` over the files of `files`; returns the exit status.
int runTool(const ToolOptions& options, FileSystem& files, std::istream& in, std::ostream& out,
            std::ostream& err);

/// The console's input guard: true when `phrase` (Windows-1251) may be sent. A phrase
/// that holds a marker of the knowledge-base format is not sent, as the window's input
/// guard clears its input line: a line on `err` names the character.
bool mayBeSent(std::string_view phrase, std::ostream& err);

/// The "why:" line of a Say that showed a reply, and its "learned:" line when it learned.
void explainSay(const SayResult& result, std::ostream& err);
/// The "why:" line of an afterthought.
void explainAfterthought(const Reason& why, std::ostream& err);

}  // namespace cpuchat
