#pragma once
// A small command-line parser: options (with or without a value) and operands.
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace convert {

// A command line the tool cannot act on; the tool prints it with the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionDef {
    std::string name;   // "--list"
    std::string alias;  // "-l", or empty
    bool takesValue = false;
};

struct Arguments {
    std::map<std::string, std::string> options;  // by long name; value empty for a flag
    std::vector<std::string> operands;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    const std::string& Value(const std::string& name) const { return options.at(name); }
};

// The definition whose name or alias is word, or null.
const OptionDef* FindOption(const std::vector<OptionDef>& known, const std::string& word);

// Options may come anywhere; "--" ends them. Raises UsageError for an unknown
// option, a repeated one, or a missing value.
Arguments ParseArguments(const std::vector<std::string>& words, const std::vector<OptionDef>& known);

}  // namespace convert
