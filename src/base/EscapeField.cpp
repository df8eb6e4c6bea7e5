#include "base/EscapeField.h"

#include "base/Errors.h"
#include "base/Format.h"

namespace base {

std::string EscapeField(std::string_view field) {
    std::string escaped;
    escaped.reserve(field.size());
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\t': escaped += "\\t"; break;
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        case '\\': escaped += "\\\\"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                escaped += Format("\\x%02X", byte);
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

std::string EscapeLines(std::string_view message) {
    const std::string lines = MessageLines(std::string(message));
    std::string escaped;
    for (std::size_t start = 0;;) {
        const std::size_t end = lines.find('\n', start);
        escaped += EscapeField(std::string_view(lines).substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return escaped;
        escaped += '\n';
        start = end + 1;
    }
}

}  // namespace base
