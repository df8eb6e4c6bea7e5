#include "XTokenizer.h"

#include <charconv>
#include <cstring>

#include "base/ShiftJis.h"

namespace viewer {

namespace {

// Binary token codes of the .x format.
enum : std::uint16_t {
    TokenName = 1,
    TokenString = 2,
    TokenInteger = 3,
    TokenGuid = 5,
    TokenIntegerList = 6,
    TokenFloatList = 7,
    TokenOpenBrace = 10,
    TokenCloseBrace = 11,
    TokenFirstSeparator = 12,  // parentheses, brackets, angles, dot, comma, semicolon
    TokenLastSeparator = 20,
    TokenTemplate = 31,
    TokenFirstKeyword = 40,  // WORD, DWORD, FLOAT ... ARRAY
    TokenLastKeyword = 52,
};

bool IsTextSeparator(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';' || c == '[' ||
           c == ']' || c == '\0';
}

bool EndsTextWord(std::uint8_t c) {
    return IsTextSeparator(c) || c == '{' || c == '}' || c == '"' || c == '<' || c == '#' ||
           c == '/';
}

}  // namespace

XTokenizer::XTokenizer(const std::uint8_t* data, std::size_t size, Encoding encoding,
                       int floatBytes)
    : position_(data), end_(data + size), encoding_(encoding), floatBytes_(floatBytes) {}

const XToken& XTokenizer::Peek() {
    if (!hasPeeked_) {
        peeked_ = Next();
        hasPeeked_ = true;
    }
    return peeked_;
}

XToken XTokenizer::Next() {
    if (hasPeeked_) {
        hasPeeked_ = false;
        return peeked_;
    }
    return encoding_ == Encoding::Text ? ReadText() : ReadBinary();
}

XToken XTokenizer::ReadText() {
    for (;;) {
        while (position_ < end_ && IsTextSeparator(*position_)) ++position_;
        if (position_ == end_) return {};
        const bool slashComment = *position_ == '/' && end_ - position_ > 1 && position_[1] == '/';
        if (*position_ != '#' && !slashComment) break;
        while (position_ < end_ && *position_ != '\n') ++position_;
    }
    XToken token;
    const std::uint8_t c = *position_;
    if (c == '{' || c == '}') {
        ++position_;
        token.kind = c == '{' ? XTokenKind::OpenBrace : XTokenKind::CloseBrace;
        return token;
    }
    if (c == '"' || c == '<') {
        const std::uint8_t close = c == '"' ? '"' : '>';
        const auto* start = ++position_;
        while (position_ < end_ && *position_ != close) ++position_;
        if (position_ == end_) throw XFormatError("unterminated string or GUID");
        token.kind = c == '"' ? XTokenKind::String : XTokenKind::Guid;
        token.text = {reinterpret_cast<const char*>(start), static_cast<std::size_t>(position_ - start)};
        ++position_;
        return token;
    }
    return ReadTextWord();
}

// A Shift-JIS character is taken whole: its trail byte may be an ASCII character
// such as "[" or "}", which would otherwise end the word.
XToken XTokenizer::ReadTextWord() {
    const auto* start = position_;
    while (position_ < end_ && !EndsTextWord(*position_)) {
        const bool doubleByte =
            base::IsShiftJisLeadByte(*position_) && end_ - position_ > 1 && base::IsShiftJisTrailByte(position_[1]);
        position_ += doubleByte ? 2 : 1;
    }
    if (position_ == start) throw XFormatError("unexpected character");
    XToken token;
    token.kind = XTokenKind::Name;
    token.text = {reinterpret_cast<const char*>(start), static_cast<std::size_t>(position_ - start)};
    const char* first = token.text.data();
    const char* last = first + token.text.size();
    if (*first == '+') ++first;
    if (first == last || !(*first == '-' || *first == '.' || (*first >= '0' && *first <= '9')))
        return token;
    long long integer = 0;
    auto [integerEnd, integerError] = std::from_chars(first, last, integer);
    if (integerError == std::errc() && integerEnd == last) {
        token.kind = XTokenKind::Number;
        token.number = static_cast<double>(integer);
        token.integral = true;
        return token;
    }
    double number = 0;
    auto [numberEnd, numberError] = std::from_chars(first, last, number);
    if (numberError == std::errc() && numberEnd == last) {
        token.kind = XTokenKind::Number;
        token.number = number;
    }
    return token;
}

void XTokenizer::Need(std::size_t bytes) const {
    if (RemainingBytes() < bytes) throw XFormatError("unexpected end of data");
}

std::uint16_t XTokenizer::ReadWord() {
    Need(2);
    const std::uint16_t value = static_cast<std::uint16_t>(position_[0] | position_[1] << 8);
    position_ += 2;
    return value;
}

std::uint32_t XTokenizer::ReadDword() {
    Need(4);
    std::uint32_t value;
    std::memcpy(&value, position_, 4);  // the data is little-endian, as is this machine
    position_ += 4;
    return value;
}

XToken XTokenizer::NextListNumber() {
    --listRemaining_;
    XToken token;
    token.kind = XTokenKind::Number;
    if (!listOfFloats_) {
        token.number = ReadDword();
        token.integral = true;
    } else if (floatBytes_ == 8) {
        double value;
        std::memcpy(&value, position_, 8);
        position_ += 8;
        token.number = value;
    } else {
        float value;
        std::memcpy(&value, position_, 4);
        position_ += 4;
        token.number = value;
    }
    return token;
}

XToken XTokenizer::ReadBinary() {
    if (listRemaining_ > 0) return NextListNumber();
    for (;;) {
        if (position_ == end_) return {};
        const std::uint16_t code = ReadWord();
        XToken token;
        switch (code) {
            case TokenName:
            case TokenString: {
                const std::uint32_t length = ReadDword();
                Need(length);
                token.kind = code == TokenName ? XTokenKind::Name : XTokenKind::String;
                token.text = {reinterpret_cast<const char*>(position_), length};
                position_ += length;
                return token;
            }
            case TokenInteger:
                token.kind = XTokenKind::Number;
                token.number = ReadDword();
                token.integral = true;
                return token;
            case TokenGuid:
                Need(16);
                position_ += 16;
                token.kind = XTokenKind::Guid;
                return token;
            case TokenIntegerList:
            case TokenFloatList: {
                const std::uint32_t count = ReadDword();
                listOfFloats_ = code == TokenFloatList;
                Need(static_cast<std::size_t>(count) * (listOfFloats_ ? floatBytes_ : 4));
                listRemaining_ = count;
                if (count > 0) return NextListNumber();
                continue;
            }
            case TokenOpenBrace:
            case TokenCloseBrace:
                token.kind = code == TokenOpenBrace ? XTokenKind::OpenBrace : XTokenKind::CloseBrace;
                return token;
            case TokenTemplate:
                token.kind = XTokenKind::Name;
                token.text = "template";
                return token;
            default:
                if ((code >= TokenFirstSeparator && code <= TokenLastSeparator) ||
                    (code >= TokenFirstKeyword && code <= TokenLastKeyword))
                    continue;
                throw XFormatError("unknown binary token");
        }
    }
}

}  // namespace viewer
