#include "LineList.h"

namespace cpuchat {

LineList::LineList(std::initializer_list<std::string_view> lines) {
    for (std::string_view line : lines) append(line);
}

void LineList::append(std::string_view line) {
    spans_.push_back({buffer_.size(), line.size()});
    buffer_.append(line);
}

void LineList::remove(std::size_t index) {
    if (index >= spans_.size()) return;
    garbage_ += spans_[index].length;
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(index));
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
    buffer_.clear();
    spans_.clear();
    garbage_ = 0;
}

void LineList::reserve(std::size_t lines, std::size_t bytes) {
    spans_.reserve(lines);
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
