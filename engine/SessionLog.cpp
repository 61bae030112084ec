#include "SessionLog.h"

#include <ctime>

#include "Text.h"

namespace cpuchat {

namespace {

std::string localFormat(std::chrono::system_clock::time_point when, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[128];
    const std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return fromUtf8(std::string_view(buf, n));
}

}  // namespace

std::string logDate(std::chrono::system_clock::time_point when) { return localFormat(when, "%x"); }
std::string logTime(std::chrono::system_clock::time_point when) { return localFormat(when, "%X"); }

void appendLogBlock(LineList& log, const std::string& date, const std::string& time, long long learned,
                    const LineList& record) {
    const std::string indent(22, ' ');
    log.append("");
    log.append(std::string(80, '-'));
    log.append(indent + std::string(30, '_'));
    log.append(indent + fromUtf8("Дата - ") + date + "   |   " + fromUtf8("Время - ") + time);
    log.append(indent + std::string(30, '~'));
    log.append(fromUtf8("//Загружено фраз выученных программой: ") + std::to_string(learned));
    for (std::size_t i = 0; i < record.size(); ++i) log.append(record[i]);
    log.append(std::string(53, '='));
}

}  // namespace cpuchat
