#include "JsonOut.h"

#include <charconv>
#include <cmath>

namespace gltfexport {

namespace {

// The length of the valid UTF-8 sequence at the start of text, 0 when none
// (overlong forms, surrogates and code points past U+10FFFF are invalid).
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

void TJsonOut::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!started_.empty()) {
        if (started_.back()) text_ += ',';
        started_.back() = true;
    }
}

void TJsonOut::BeginObject() {
    Separate();
    text_ += '{';
    started_.push_back(false);
}

void TJsonOut::EndObject() {
    text_ += '}';
    started_.pop_back();
}

void TJsonOut::BeginArray() {
    Separate();
    text_ += '[';
    started_.push_back(false);
}

void TJsonOut::EndArray() {
    text_ += ']';
    started_.pop_back();
}

void TJsonOut::Key(std::string_view key) {
    String(key);
    text_ += ':';
    afterKey_ = true;
}

void TJsonOut::String(std::string_view text) {
    Separate();
    text_ += '"';
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += static_cast<char>(c);
        } else if (c < 0x20) {
            static const char hex[] = "0123456789abcdef";
            text_ += "\\u00";
            text_ += hex[c >> 4];
            text_ += hex[c & 15];
        } else if (c >= 0x80) {
            const std::size_t length = Utf8Length(text.substr(i));
            if (length == 0) {
                text_ += "\xEF\xBF\xBD";
                ++i;
            } else {
                text_.append(text.substr(i, length));
                i += length;
            }
            continue;
        } else {
            text_ += static_cast<char>(c);
        }
        ++i;
    }
    text_ += '"';
}

void TJsonOut::Int(std::int64_t value) {
    Separate();
    text_ += std::to_string(value);
}

void TJsonOut::Bool(bool value) {
    Separate();
    text_ += value ? "true" : "false";
}

void TJsonOut::Float(float value) {
    Separate();
    if (!std::isfinite(value)) value = 0;  // JSON has no NaN or infinity
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text_.append(buffer, result.ptr);
}

void TJsonOut::ExactFloat(float value) {
    Separate();
    if (!std::isfinite(value)) value = 0;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value));
    text_.append(buffer, result.ptr);
}

void TJsonOut::Floats(const float* values, std::size_t count) {
    BeginArray();
    for (std::size_t i = 0; i < count; ++i) Float(values[i]);
    EndArray();
}

}  // namespace gltfexport
