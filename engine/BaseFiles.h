#pragma once
// The files of Base, spelled as the program spells them. Names compare without regard
// to case, so the two spellings of the knowledge base name one file.

#include <string_view>

namespace cpuchat::base {

inline constexpr std::string_view kWordsDat = "Base\\Words.Dat";
inline constexpr std::string_view kWordsDatLower = "Base\\Words.dat";  // window creation and exit
inline constexpr std::string_view kPause = "Base\\Pause.Dat";
inline constexpr std::string_view kPovtor = "Base\\Povtor.Dat";
inline constexpr std::string_view kRebukes = "Base\\X.Dat";
inline constexpr std::string_view kCollection = "Base\\Collection.Dat";
inline constexpr std::string_view kBigString = "Base\\BigString.Dat";
inline constexpr std::string_view kAnswerPool = "Base\\W1.Dat";
inline constexpr std::string_view kRemarkPool = "Base\\W2.Dat";
inline constexpr std::string_view kAfterthoughts = "Base\\AI.dat";
inline constexpr std::string_view kLog = "Base\\Log.Lormak";

}  // namespace cpuchat::base
