#include "KnowledgeCounts.h"

#include <algorithm>

#include "BaseFiles.h"
#include "Matching.h"
#include "Text.h"

namespace cpuchat {

PhraseCounts countPhrases(const LineList& kb) {
    PhraseCounts counts;
    for (std::size_t i = 1; i < kb.size(); ++i) {
        const std::string_view line = kb[i];
        if (line.empty()) continue;
        if (line[0] == '_') {
            ++counts.branches;
        } else {
            ++counts.main;
        }
    }
    return counts;
}

std::string startupStatusText(PhraseCounts counts) {
    return fromUtf8("Программе известно:   [главные фразы - ") + std::to_string(counts.main) +
           fromUtf8("   ветки - ") + std::to_string(counts.branches) + "]";
}

KnowledgeStats countKnowledge(FileStore& store, Lines& scratch) {
    using namespace base;
    KnowledgeStats stats;
    scratch = store.read(kWordsDat);
    stats.incoming = std::max<std::int32_t>(0, static_cast<std::int32_t>(scratch->size()) - 1);
    std::int64_t outgoing = 0;
    for (std::string_view file : {kBigString, kPause, kPovtor, kAnswerPool, kRemarkPool, kRebukes}) {
        scratch = store.read(file);
        outgoing += static_cast<std::int64_t>(scratch->size());
    }
    scratch = store.read(kWordsDat);
    for (std::size_t i = 1; i < scratch->size(); ++i) outgoing += countAnswers((*scratch)[i]);
    stats.outgoing = static_cast<std::int32_t>(outgoing);
    stats.total = stats.incoming + stats.outgoing;
    return stats;
}

}  // namespace cpuchat
