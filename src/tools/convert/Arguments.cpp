#include "Arguments.h"

namespace convert {

const OptionDef* FindOption(const std::vector<OptionDef>& known, const std::string& word) {
    for (const OptionDef& option : known) {
        if (word == option.name || (!option.alias.empty() && word == option.alias)) return &option;
    }
    return nullptr;
}

Arguments ParseArguments(const std::vector<std::string>& words, const std::vector<OptionDef>& known) {
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
        const OptionDef* option = FindOption(known, word);
        if (option == nullptr) throw UsageError("unknown option " + word);
        if (arguments.Has(option->name)) throw UsageError("option " + option->name + " given twice");
        std::string value;
        if (option->takesValue) {
            if (i + 1 >= words.size()) throw UsageError("option " + word + " needs a value");
            value = words[++i];
        }
        arguments.options.emplace(option->name, std::move(value));
    }
    return arguments;
}

}  // namespace convert
