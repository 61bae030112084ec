#pragma once
// Text crosses between the windows (QString) and the engine and its files (Windows-1251
// bytes) here, at the edge of every window.

#include <QString>
#include <string>
#include <string_view>

namespace cpuchat {

/// Windows-1251 text of a QString, one byte per character (code point); characters the
/// code page cannot hold become "?".
std::string toCp1251(const QString& text);

/// QString of a Windows-1251 text.
QString fromCp1251(std::string_view cp1251);

}  // namespace cpuchat
