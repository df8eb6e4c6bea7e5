#pragma once
// Token codes and write primitives of the binary .x form. The primitives append
// little-endian bytes to an output buffer that the binary writers hand to a
// stream in one piece.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace xexport::XMem {

constexpr std::uint16_t TOKEN_NAME = 1;
constexpr std::uint16_t TOKEN_STRING = 2;
constexpr std::uint16_t TOKEN_INTEGER_LIST = 6;
constexpr std::uint16_t TOKEN_FLOAT_LIST = 7;
constexpr std::uint16_t TOKEN_OBRACE = 10;
constexpr std::uint16_t TOKEN_CBRACE = 11;
constexpr std::uint16_t TOKEN_SEMICOLON = 20;

static_assert(std::endian::native == std::endian::little, "the binary form is little-endian");

// A growable byte buffer. The writers reserve the output's size up front, so
// appending seldom or never moves the bytes already written. The vector is kept
// at its full capacity and the bytes in use counted apart: a key of an animation
// is a dozen small appends, and growing the vector for each cost more than
// writing it.
class TXBuffer {
public:
    explicit TXBuffer(std::size_t capacity = 0) : bytes_(capacity) {}

    // An empty span may come with a null pointer (an empty vector's data()),
    // which memcpy must not be given even for zero bytes.
    void Append(const void* data, std::size_t count) {
        if (count == 0) return;
        if (bytes_.size() - used_ < count) bytes_.resize(std::max(2 * bytes_.size(), used_ + count));
        std::memcpy(bytes_.data() + used_, data, count);
        used_ += count;
    }
    std::size_t Size() const { return used_; }
    const std::uint8_t* Data() const { return bytes_.data(); }
    std::vector<std::uint8_t> TakeBytes() {
        bytes_.resize(used_);
        used_ = 0;
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// The text's bytes, without length prefix or terminator.
inline void WriteRawText(std::string_view text, TXBuffer& stream) { stream.Append(text.data(), text.size()); }

inline void WriteWord(std::uint16_t value, TXBuffer& stream) { stream.Append(&value, sizeof value); }

inline void WriteDword(std::uint32_t value, TXBuffer& stream) { stream.Append(&value, sizeof value); }

inline void WriteFloat(TXBuffer& stream, float value) { stream.Append(&value, sizeof value); }

}  // namespace xexport::XMem
