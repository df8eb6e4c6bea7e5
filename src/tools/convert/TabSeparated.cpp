#include "tools/convert/TabSeparated.h"

#include "base/Format.h"

namespace convert {

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
                escaped += base::Format("\\x%02X", byte);
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

std::string TabSeparatedLine(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (auto field = fields.begin(); field != fields.end(); ++field) {
        if (field != fields.begin()) line += '\t';
        line += EscapeField(*field);
    }
    line += '\n';
    return line;
}

}  // namespace convert
