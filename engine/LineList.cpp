#include "LineList.h"

#include <algorithm>

namespace cpuchat {

LineList::LineList(std::initializer_list<std::string_view> lines) {
    for (std::string_view line : lines) append(line);
}

namespace {

std::uint32_t headOf(std::string_view line) {
    if (line.size() < 2) return 0;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(line[i])); };
    std::uint32_t head = byte(0) | (byte(1) << 8) | LineList::kHeadValid;
    if (line.size() == 2) return head | LineList::kHeadTwoBytes;
    return head | (byte(2) << 16) | LineList::kHeadThreeBytes;
}

}  // namespace

LineList LineList::overBytes(std::string bytes) {
    LineList list;
    const std::size_t n = bytes.size();
    std::size_t lines = 0;
    for (char c : bytes) lines += (c == '\n' || c == '\r');
    list.spans_.reserve(lines + 1);
    list.heads_.reserve(lines + 1);
    list.buffer_ = std::move(bytes);
    const std::string_view all(list.buffer_);
    std::size_t start = 0, i = 0;
    const auto add = [&](std::size_t end) {
        list.spans_.push_back({start, end - start});
        list.heads_.push_back(headOf(all.substr(start, end - start)));
    };
    while (i < n) {
        const char c = all[i];
        if (c != '\n' && c != '\r') {
            ++i;
            continue;
        }
        add(i);
        i += (c == '\r' && i + 1 < n && all[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < n) add(n);
    list.garbage_ = n;
    for (const Span& s : list.spans_) list.garbage_ -= s.length;
    return list;
}

void LineList::append(std::string_view line) {
    heads_.push_back(headOf(line));
    spans_.push_back({buffer_.size(), line.size()});
    buffer_.append(line);
}

void LineList::remove(std::size_t index) {
    if (index >= spans_.size()) return;
    unchanged_ = std::min(unchanged_, index);
    garbage_ += spans_[index].length;
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(index));
    heads_.erase(heads_.begin() + static_cast<std::ptrdiff_t>(index));
    if (garbage_ > 4096 && garbage_ > buffer_.size() / 2) {
        // Compact once removed text dominates the buffer.
        std::string packed;
        packed.reserve(buffer_.size() - garbage_);
        for (Span& s : spans_) {
            const std::size_t at = packed.size();
            packed.append(buffer_, s.offset, s.length);
            s.offset = at;
        }
        buffer_.swap(packed);
        garbage_ = 0;
    }
}

void LineList::clear() noexcept {
    unchanged_ = 0;
    buffer_.clear();
    spans_.clear();
    heads_.clear();
    garbage_ = 0;
}

void LineList::reserve(std::size_t lines, std::size_t bytes) {
    spans_.reserve(lines);
    heads_.reserve(lines);
    buffer_.reserve(bytes);
}

std::vector<std::string> LineList::toVector() const {
    std::vector<std::string> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
    return out;
}

bool LineList::operator==(const LineList& other) const {
    if (size() != other.size()) return false;
    for (std::size_t i = 0; i < size(); ++i) {
        if ((*this)[i] != other[i]) return false;
    }
    return true;
}

}  // namespace cpuchat
