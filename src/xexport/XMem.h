#pragma once
// Token codes and write primitives of the binary .x form. The primitives append
// little-endian bytes to an output buffer that the binary writers hand to a
// stream in one piece.
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
// appending seldom or never moves the bytes already written.
class TXBuffer {
public:
    explicit TXBuffer(std::size_t capacity = 0) { bytes_.reserve(capacity); }

    // An empty span may come with a null pointer (an empty vector's data()),
    // which memcpy must not be given even for zero bytes.
    void Append(const void* data, std::size_t count) {
        if (count == 0) return;
        const std::size_t used = bytes_.size();
        bytes_.resize(used + count);
        std::memcpy(bytes_.data() + used, data, count);
    }
    std::size_t Size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// The text's bytes, without length prefix or terminator.
inline void WriteRawText(std::string_view text, TXBuffer& stream) { stream.Append(text.data(), text.size()); }

inline void WriteWord(std::uint16_t value, TXBuffer& stream) { stream.Append(&value, sizeof value); }

inline void WriteDword(std::uint32_t value, TXBuffer& stream) { stream.Append(&value, sizeof value); }

inline void WriteFloat(TXBuffer& stream, float value) { stream.Append(&value, sizeof value); }

}  // namespace xexport::XMem
