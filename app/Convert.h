#pragma once
// The window speaks Unicode (QString), the engine Windows-1251 bytes; these two
// functions are the only crossing. Characters the code page cannot hold become "?".

#include <QString>
#include <string>
#include <string_view>

#include "Text.h"

namespace cpuchat {

inline QString toQ(std::string_view cp1251) { return QString::fromStdString(toUtf8(cp1251)); }

inline std::string fromQ(const QString& text) { return fromUtf8(text.toStdString()); }

}  // namespace cpuchat
