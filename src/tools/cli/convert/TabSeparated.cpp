#include "convert/TabSeparated.h"

namespace convert {

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
