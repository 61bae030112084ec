#include "Cp1251.h"

#include <QList>
#include <QStringView>

#include "Text.h"

namespace cpuchat {

std::string toCp1251(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t cp : QStringView(text).toUcs4()) {
        const int byte = fromUnicode(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

QString fromCp1251(std::string_view cp1251) {
    QString out;
    out.reserve(static_cast<qsizetype>(cp1251.size()));
    for (const char c : cp1251) out += QChar(static_cast<char16_t>(toUnicode(static_cast<unsigned char>(c))));
    return out;
}

}  // namespace cpuchat
