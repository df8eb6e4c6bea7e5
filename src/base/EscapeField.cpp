#include "base/EscapeField.h"

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

}  // namespace base
