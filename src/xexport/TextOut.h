#pragma once
// The text writers' output buffer: the whole .x text is built here and handed to
// a stream or a file in one piece. Each piece is formatted straight into the
// buffer after one check for room. The buffer is not zero-filled, so reserved
// room that is never written costs no memory.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/Format.h"
#include "TextNumber.h"

namespace xexport {

class TTextOut {
public:
    explicit TTextOut(std::size_t capacity = 256)
        : text_(std::make_unique_for_overwrite<char[]>(capacity)), capacity_(capacity) {}

    void Text(std::string_view text) {
        if (text.empty()) return;  // an empty view's data() may be null, which memcpy must not get
        std::memcpy(Room(text.size()), text.data(), text.size());
        used_ += text.size();
    }
    void Char(char c) {
        *Room(1) = c;
        ++used_;
    }
    void EndLine() { Text("\r\n"); }
    void Line(std::string_view text) {
        Text(text);
        EndLine();
    }
    // "%.6f", or the exponent form for a value too large for it (TextNumber.h).
    void Number(float value) { used_ += FormatTextNumber(Room(kMaxTextNumber), value); }
    // A number that reads back as the same float (TextNumber.h).
    void ExactNumber(float value) { used_ += FormatExactTextNumber(Room(kMaxTextNumber), value); }
    // "%d".
    void Int(long long value) { used_ += base::FormatInt(Room(20), value); }

    std::string_view View() const { return {text_.get(), used_}; }

private:
    char* Room(std::size_t count) {
        if (capacity_ - used_ < count) Grow(count);
        return text_.get() + used_;
    }
    void Grow(std::size_t count) {
        capacity_ = std::max(capacity_ * 2, used_ + count);
        auto larger = std::make_unique_for_overwrite<char[]>(capacity_);
        std::memcpy(larger.get(), text_.get(), used_);
        text_ = std::move(larger);
    }

    std::unique_ptr<char[]> text_;
    std::size_t capacity_;
    std::size_t used_ = 0;
};

}  // namespace xexport
