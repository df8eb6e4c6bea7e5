#pragma once
// The text writers' output buffer: the whole .x text is built here and handed to
// a stream or a file in one piece.
#include <cstddef>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "base/Stream.h"

namespace xexport {

class TTextOut {
public:
    explicit TTextOut(std::size_t capacity = 0) { text_.reserve(capacity); }

    void Text(std::string_view text) { text_.append(text); }
    void Char(char c) { text_.push_back(c); }
    void EndLine() { text_.append("\r\n", 2); }
    void Line(std::string_view text) {
        Text(text);
        EndLine();
    }
    // "%.6f" of the 32-bit value widened unchanged.
    void Fixed6(float value) {
        char digits[base::kMaxFixed6];
        text_.append(digits, base::FormatFixed6(digits, value));
    }
    // "%d".
    void Int(long long value) {
        char digits[20];
        text_.append(digits, base::FormatInt(digits, value));
    }

    const std::string& Str() const { return text_; }
    std::string TakeStr() { return std::move(text_); }

private:
    std::string text_;
};

}  // namespace xexport
