#include "KnowledgeCounts.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace cpuchat {
namespace {

using test::w;

TEST(StartupCounts, CountMainPhrasesAndBranches) {
    const LineList example{"header",
                           w("ПРИВЕТ^Привет!;Здравствуй.;"),
                           w("_КАК ДЕЛА^Хорошо.;Отлично.;"),
                           w("__А У ТЕБЯ^Тоже хорошо.;"),
                           w("ПОКА^До свидания.;@"),
                           w("ЧТО ТАКОЕ СЧАСТЬЕ?^"),
                           ""};
    const PhraseCounts counts = countPhrases(example);
    EXPECT_EQ(counts.main, 3);
    EXPECT_EQ(counts.branches, 2);
    EXPECT_EQ(startupStatusText(counts), w("Программе известно:   [главные фразы - 3   ветки - 2]"));
    const PhraseCounts none = countPhrases(LineList{"header"});
    EXPECT_EQ(none.main, 0);
    EXPECT_EQ(none.branches, 0);
    EXPECT_EQ(startupStatusText(countPhrases(LineList{})),
              w("Программе известно:   [главные фразы - 0   ветки - 0]"));
}

}  // namespace
}  // namespace cpuchat
