#include "InPlaceRewrite.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <optional>

namespace cpuchat::inplace {

namespace {

constexpr std::array<char, 16> kMagic = {'\0', 'C', 'p', 'u', 'C', 'h', 'a', 't',
                                         'I',  'n', 'P', 'l', 'a', 'c', 'e', '\x1a'};
constexpr std::uint64_t kVersion = 1;
constexpr std::size_t kSummed = kTrailerSize - 8;  // the trailer's own checksum follows

struct Trailer {
    std::uint64_t oldLength = 0;
    std::uint64_t newLength = 0;
    std::uint64_t region = 0;
    std::uint64_t regionSum = 0;
};

std::uint64_t load64(const char* p) noexcept {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

void put64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i, v >>= 8) out += static_cast<char>(v & 0xFF);
}

std::string encode(const Trailer& t) {
    std::string out(kMagic.data(), kMagic.size());
    for (const std::uint64_t v : {t.oldLength, t.newLength, t.region, t.regionSum, kVersion}) put64(out, v);
    put64(out, checksum(out));
    return out;
}

// The trailer `file` ends with, when it has one that checks out and fits the file.
std::optional<Trailer> decode(std::string_view file) {
    if (file.size() < kTrailerSize) return std::nullopt;
    const std::string_view tail = file.substr(file.size() - kTrailerSize);
    if (tail.substr(0, kMagic.size()) != std::string_view(kMagic.data(), kMagic.size())) return std::nullopt;
    if (load64(tail.data() + kSummed) != checksum(tail.substr(0, kSummed))) return std::nullopt;
    const char* at = tail.data() + kMagic.size();
    const Trailer t{load64(at), load64(at + 8), load64(at + 16), load64(at + 24)};
    if (load64(at + 32) != kVersion) return std::nullopt;
    const std::uint64_t body = file.size() - kTrailerSize;
    if (t.region > body || t.newLength != body - t.region || t.oldLength > t.region ||
        t.newLength > t.region || body % kTrailerSize != 0) {
        return std::nullopt;
    }
    return t;
}

bool regionWhole(std::string_view file, const Trailer& t) {
    return checksum(file.substr(t.region, t.newLength)) == t.regionSum;
}

bool writeAllAt(SystemCalls& sys, int fd, std::string_view bytes, std::uint64_t offset) {
    while (!bytes.empty()) {
        const ssize_t n = sys.pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool readAllAt(SystemCalls& sys, int fd, std::string& out, std::size_t size, std::uint64_t offset) {
    out.resize(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = sys.pread(fd, out.data() + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// Steps 3 and 4: the new content to the start, the rest cut off.
bool finish(SystemCalls& sys, int fd, std::string_view content) {
    return writeAllAt(sys, fd, content, 0) && sys.fsync(fd) == 0 &&
           sys.ftruncate(fd, static_cast<off_t>(content.size())) == 0 && sys.fsync(fd) == 0;
}

}  // namespace

std::uint64_t checksum(std::string_view bytes) noexcept {
    // MurmurHash3's 64-bit mixing over 8-byte words, one lane: a few cycles a word.
    constexpr std::uint64_t c1 = 0x87c37b91114253d5ULL, c2 = 0x4cf5ad432745937fULL;
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ bytes.size();
    const auto mix = [&](std::uint64_t k) {
        k *= c1;
        k = std::rotl(k, 31);
        k *= c2;
        h ^= k;
        h = std::rotl(h, 27) * 5 + 0x52dce729;
    };
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) mix(load64(bytes.data() + i));
    if (i < bytes.size()) {
        char last[8] = {};
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end(), last);
        mix(load64(last));
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

bool interrupted(std::string_view file) { return decode(file).has_value(); }

std::string_view wholeVersion(std::string_view file) {
    const std::optional<Trailer> t = decode(file);
    if (!t) return file;
    return regionWhole(file, *t) ? file.substr(t->region, t->newLength) : file.substr(0, t->oldLength);
}

bool recover(SystemCalls& sys, int fd, std::string_view file) {
    const std::optional<Trailer> t = decode(file);
    if (!t) return true;
    if (regionWhole(file, *t)) return finish(sys, fd, file.substr(t->region, t->newLength));
    return sys.ftruncate(fd, static_cast<off_t>(t->oldLength)) == 0 && sys.fsync(fd) == 0;
}

bool rewrite(SystemCalls& sys, int fd, std::string_view bytes) {
    struct stat st {};
    if (sys.fstat(fd, &st) != 0) return false;
    auto oldLength = static_cast<std::uint64_t>(st.st_size);
    std::string tail;
    if (oldLength >= kTrailerSize && readAllAt(sys, fd, tail, kTrailerSize, oldLength - kTrailerSize) &&
        tail.starts_with(std::string_view(kMagic.data(), kMagic.size()))) {
        // An earlier rewrite was interrupted: settle it, so that the start of the file
        // holds one whole version that this rewrite can keep until it is done.
        std::string file;
        if (!readAllAt(sys, fd, file, oldLength, 0)) return false;
        if (interrupted(file)) {
            if (!recover(sys, fd, file)) return false;
            oldLength = wholeVersion(file).size();
        }
    }
    const std::uint64_t newLength = bytes.size();
    const std::uint64_t trailerAt =
        (std::max(oldLength, newLength) + newLength + kTrailerSize - 1) / kTrailerSize * kTrailerSize;
    const std::uint64_t region = trailerAt - newLength;
    // All the room the steps need, asked for first: a full disk fails here, before
    // anything has changed.
    if (sys.fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(trailerAt + kTrailerSize)) != 0 &&
        errno != EOPNOTSUPP) {
        return false;
    }
    const auto undo = [&] {
        sys.ftruncate(fd, static_cast<off_t>(oldLength));
        sys.fsync(fd);
        return false;
    };
    if (!writeAllAt(sys, fd, encode({oldLength, newLength, region, checksum(bytes)}), trailerAt) ||
        sys.fsync(fd) != 0) {
        return undo();
    }
    if (!writeAllAt(sys, fd, bytes, region) || sys.fsync(fd) != 0) return undo();
    // The new content is on the disk under a trailer that names it: whoever reads the
    // file next finishes the move, so the rewrite has succeeded whatever follows.
    finish(sys, fd, bytes);
    return true;
}

}  // namespace cpuchat::inplace
