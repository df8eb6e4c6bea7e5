#pragma once
// The command-line options of a tool as one table, which drives parsing, help
// and usage errors alike, and the split of a command line by it.
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"

namespace cli {

// A command line the tool cannot act on; the tool prints it with its usage text.
class UsageError : public base::Exception {
public:
    using base::Exception::Exception;
};

// One row of a tool's option table.
struct Option {
    std::string_view longName;   // "--output"
    std::string_view shortName;  // "-o", or empty
    bool takesValue = false;     // the next word is the value
    // The value as help shows it ("FILE"); for an option without a value, the
    // operands it goes with ("OUT INPUT"); may be empty.
    std::string_view valueName;
    std::string_view help;  // lines separated by '\n'; may be empty
    int group = 0;          // the tool's own grouping, for parsing and help
    bool repeatable = false;  // each use counts; else a second use is a usage error
};

// A word that starts with "-" as met on a command line: an option of the table
// with its value, or an unknown one (option null).
struct Occurrence {
    const Option* option = nullptr;
    std::string word;  // as typed: "-o" or "--output"
    std::string value;
    bool valueMissing = false;  // the option takes a value but the words ended
};

struct SplitLine {
    std::vector<Occurrence> options;  // in the order given
    std::vector<std::string> operands;
};

// The options of the groups given, with their values, and the operands. Options
// may come anywhere; "--" ends them; "-" alone is an operand. An unknown option
// takes no value. Raises nothing: the tool decides which faults to report first.
SplitLine SplitWords(const std::vector<std::string>& words, std::span<const Option> table,
                     std::initializer_list<int> groups);

// The row of the groups given whose long or short name is word, or null.
const Option* FindOption(std::span<const Option> table, std::string_view word, std::initializer_list<int> groups);

// "-o, --output FILE" as help lists it.
std::string Synopsis(const Option& option);

// Options by long name, with their values in order (empty for a flag), and operands.
struct Arguments {
    std::map<std::string, std::vector<std::string>, std::less<>> options;
    std::vector<std::string> operands;

    bool Has(std::string_view name) const { return options.find(name) != options.end(); }
    // The (first) value of an option that is given.
    const std::string& Value(std::string_view name) const { return options.find(name)->second.front(); }
};

}  // namespace cli
