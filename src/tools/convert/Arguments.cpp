#include "tools/convert/Arguments.h"

namespace convert {

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& word) {
    for (const OptionSpec& spec : specs) {
        if (word == spec.name || (!spec.alias.empty() && word == spec.alias)) return &spec;
    }
    return nullptr;
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& words, const std::vector<OptionSpec>& specs) {
    Arguments arguments;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            arguments.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = FindSpec(specs, word);
        if (spec == nullptr) throw UsageError("unknown option " + word);
        if (arguments.Has(spec->name)) throw UsageError("option " + spec->name + " given twice");
        std::string value;
        if (spec->takesValue) {
            if (i + 1 >= words.size()) throw UsageError("option " + word + " needs a value");
            value = words[++i];
        }
        arguments.options.emplace(spec->name, std::move(value));
    }
    return arguments;
}

}  // namespace convert
