#pragma once
// The lines of --list and --remote-list: fields separated by tabs. Names come from
// files and servers, so each field is escaped: no name can split a line or a
// field, or reach the terminal as a control sequence.
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/EscapeField.h"

namespace convert {

using base::EscapeField;

// The fields, each escaped, separated by tabs, ending with a line feed.
std::string TabSeparatedLine(std::initializer_list<std::string_view> fields);

}  // namespace convert
