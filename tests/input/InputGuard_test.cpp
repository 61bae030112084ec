#include "InputGuard.h"

#include <string>

#include <gtest/gtest.h>

#include "LayoutConversion.h"

namespace {

using cpuchat::InputGuard;

// Ticks until a hit; returns the number of ticks it took, or 0 when none came in `limit`.
int ticksToHit(InputGuard& guard, const std::string& text, int limit) {
    for (int i = 1; i <= limit; ++i) {
        if (guard.tick(text)) return i;
    }
    return 0;
}

// A guard whose scan position is `position`, reached by walking a clean line.
InputGuard guardAt(std::size_t position) {
    InputGuard guard;
    const std::string filler(position + 1, 'x');
    for (std::size_t i = 0; i < position; ++i) EXPECT_FALSE(guard.tick(filler));
    EXPECT_EQ(guard.position(), position);
    return guard;
}

TEST(InputGuard, ExactlyFourCharactersAreForbidden) {
    int count = 0;
    for (int b = 0; b < 256; ++b) count += InputGuard::isForbidden(static_cast<char>(b)) ? 1 : 0;
    EXPECT_EQ(count, 4);
    for (const char c : std::string("^_;@")) EXPECT_TRUE(InputGuard::isForbidden(c)) << c;
}

TEST(InputGuard, WalksOneCharacterPerTickAndStartsAgain) {
    InputGuard guard;
    const std::size_t expected[] = {1, 2, 0, 1, 2, 0, 1};
    for (const std::size_t position : expected) {
        EXPECT_FALSE(guard.tick("abc"));
        EXPECT_EQ(guard.position(), position);
    }
}

TEST(InputGuard, EmptyLineIsNeverExaminedAndKeepsThePosition) {
    InputGuard guard = guardAt(2);
    EXPECT_TRUE(guard.idle(""));
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(guard.tick(""));
    EXPECT_EQ(guard.position(), 2u);
    EXPECT_FALSE(guard.idle("a"));
}

TEST(InputGuard, WrapsWhenTheLineBecameShorterWithoutReadingBeyondIt) {
    InputGuard guard = guardAt(3);
    // The scan would go on at character 4 of a line now two long: it wraps and reads nothing.
    EXPECT_FALSE(guard.tick("a;"));
    EXPECT_EQ(guard.position(), 0u);
    EXPECT_FALSE(guard.tick("a;"));
    EXPECT_TRUE(guard.tick("a;"));
}

TEST(InputGuard, PositionJustPastTheEndWrapsToo) {
    InputGuard guard = guardAt(2);
    EXPECT_FALSE(guard.tick("@b"));  // position 3 > 2
    EXPECT_EQ(guard.position(), 0u);
    EXPECT_TRUE(guard.tick("@b"));
}

TEST(InputGuard, HitKeepsThePositionAndTheNextLineIsScannedFromThere) {
    InputGuard guard;
    EXPECT_EQ(ticksToHit(guard, "ab;c", 10), 3);
    EXPECT_EQ(guard.position(), 3u);
    // The caller clears the line; the position stays.
    EXPECT_FALSE(guard.tick(""));
    EXPECT_EQ(guard.position(), 3u);
    // The next phrase goes on at character 4, then wraps and finds the "@".
    EXPECT_FALSE(guard.tick("x@yz"));
    EXPECT_EQ(guard.position(), 0u);
    EXPECT_FALSE(guard.tick("x@yz"));
    EXPECT_TRUE(guard.tick("x@yz"));
    EXPECT_EQ(guard.position(), 2u);
}

TEST(InputGuard, UnclearedHitRepeatsOnTheSameCharacter) {
    // A caller that failed to clear the line is told again: the position rests on the hit.
    InputGuard guard;
    EXPECT_EQ(ticksToHit(guard, "_", 5), 1);
    EXPECT_FALSE(guard.tick("_"));  // position 2 > 1: wrap
    EXPECT_TRUE(guard.tick("_"));
}

TEST(InputGuard, FindsEveryForbiddenCharacterWithinOneTickMoreThanTheLineHas) {
    // For every line length, every place of the forbidden character and every scan position
    // the guard may hold when the line changes, including positions beyond the new end.
    for (std::size_t n = 1; n <= 12; ++n) {
        for (std::size_t k = 1; k <= n; ++k) {
            for (const char forbidden : std::string("^_;@")) {
                std::string line(n, 'a');
                line[k - 1] = forbidden;
                for (std::size_t p = 0; p <= n + 3; ++p) {
                    SCOPED_TRACE(testing::Message() << "line " << line << " position " << p);
                    InputGuard guard = guardAt(p);
                    const int ticks = ticksToHit(guard, line, static_cast<int>(n) + 5);
                    const std::size_t expected = p >= n ? 1 + k : (p < k ? k - p : n - p + k);
                    EXPECT_EQ(static_cast<std::size_t>(ticks), expected);
                    EXPECT_LE(static_cast<std::size_t>(ticks), n + 1);
                    EXPECT_EQ(guard.position(), k);
                }
            }
        }
    }
}

TEST(InputGuard, CleanLineIsNeverHit) {
    InputGuard guard;
    const std::string line = "Привет, как дела? 100% :) \"да\" 'нет' #1 $5 & |/\\";
    EXPECT_EQ(ticksToHit(guard, line, 1000), 0);
}

TEST(InputGuard, CatchesTheSemicolonThatTheLayoutConversionMakesOfADollar) {
    const std::string converted = cpuchat::convertLayout("ab$");
    InputGuard guard;
    const int ticks = ticksToHit(guard, converted, 10);
    EXPECT_GE(ticks, 1);
    EXPECT_LE(ticks, 4);
    // Converted before the scan reached them, "^" and "@" become ":" and a double quote.
    InputGuard other;
    EXPECT_EQ(ticksToHit(other, cpuchat::convertLayout("a^b@"), 50), 0);
}

}  // namespace
