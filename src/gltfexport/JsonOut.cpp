#include "JsonOut.h"

#include <charconv>
#include <cmath>

#include "base/Utf8.h"

namespace gltfexport {

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
            const std::size_t length = base::Utf8Length(text.substr(i));
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

void WriteIndex(TJsonOut& json, const char* key, std::size_t index) {
    json.Key(key);
    json.Int(static_cast<std::int64_t>(index));
}

}  // namespace gltfexport
