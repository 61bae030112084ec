// Any bytes read as a file: no crash, no hang, and the lines never hold more text
// than the file had.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "LineCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const cpuchat::LineList lines = cpuchat::readLines(bytes);
    if (lines.textBytes() > size || lines.size() > size + 1) std::abort();
    return 0;
}
