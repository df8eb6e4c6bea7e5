#pragma once
// Splits .x data, text or binary, into the tokens the loader reads. Separators
// (";", ",", brackets, type keywords) carry no meaning for the loader and are
// dropped; the numbers of binary integer and float lists come out one by one,
// like the numbers of text data.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/Errors.h"

namespace viewer {

// Data that cannot be read as .x.
class XFormatError : public base::Exception {
public:
    using base::Exception::Exception;
};

enum class XTokenKind { Name, Number, String, Guid, OpenBrace, CloseBrace, End };

struct XToken {
    XTokenKind kind = XTokenKind::End;
    double number = 0;
    bool integral = false;   // a number written as an integer
    std::string_view text;   // name or string contents, pointing into the data
};

class XTokenizer {
public:
    enum class Encoding { Text, Binary };

    // data excludes the 16-byte file header; floatBytes is 4 or 8.
    XTokenizer(const std::uint8_t* data, std::size_t size, Encoding encoding, int floatBytes);

    XToken Next();
    const XToken& Peek();
    // Bytes not read yet: an upper bound on the number of values still to come.
    std::size_t RemainingBytes() const { return static_cast<std::size_t>(end_ - position_); }

private:
    XToken ReadText();
    XToken ReadTextWord();
    XToken ReadBinary();
    XToken NextListNumber();
    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    void Need(std::size_t bytes) const;

    const std::uint8_t* position_;
    const std::uint8_t* end_;
    Encoding encoding_;
    int floatBytes_;
    // The binary list being handed out number by number.
    std::uint32_t listRemaining_ = 0;
    bool listOfFloats_ = false;
    XToken peeked_;
    bool hasPeeked_ = false;
};

}  // namespace viewer
