// Any lines without CR or LF, written as RTF and read back, come back byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "LineCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cpuchat::LineList lines;
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n') {
            lines.append(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (size > 0) lines.append(line);
    const std::string rtf = cpuchat::writeRtf(lines);
    if (!(cpuchat::readLines(rtf) == lines)) std::abort();
    return 0;
}
