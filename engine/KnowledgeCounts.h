#pragma once
// How much the program knows: the start-up counts of the status bar and the knowledge
// statistics of the menu.

#include <cstdint>
#include <string>

#include "FileStore.h"
#include "LineList.h"

namespace cpuchat {

/// Main phrases and branches of a knowledge base (line 0 and empty lines not counted).
struct PhraseCounts {
    int main = 0;
    int branches = 0;
};
PhraseCounts countPhrases(const LineList& knowledgeBase);
/// "Программе известно:   [главные фразы - N   ветки - M]".
std::string startupStatusText(PhraseCounts counts);

/// The knowledge statistics: incoming, outgoing and total expressions.
struct KnowledgeStats {
    std::int32_t incoming = 0;
    std::int32_t outgoing = 0;
    std::int32_t total = 0;
};
/// Reads "Base\Words.Dat", the six reply files and "Base\Words.Dat" again, each into
/// `scratch`, which keeps the last as the scratch list does. Throws FileError at the
/// first file that cannot be read.
KnowledgeStats countKnowledge(FileStore& store, Lines& scratch);

}  // namespace cpuchat
