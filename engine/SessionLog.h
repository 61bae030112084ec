#pragma once
// The block that the exit appends to the session log.

#include <chrono>
#include <string>

#include "LineList.h"

namespace cpuchat {

/// The date in the user's short date format and the time with seconds, as the
/// current C locale gives them (%x and %X), in Windows-1251.
std::string logDate(std::chrono::system_clock::time_point when);
std::string logTime(std::chrono::system_clock::time_point when);

/// Appends the log block to `log`: an empty line, the rules, the date row, the count
/// of learned phrases, the session record and the closing row.
void appendLogBlock(LineList& log, const std::string& date, const std::string& time, long long learned,
                    const LineList& record);

}  // namespace cpuchat
