#include "cli/OptionTable.h"

#include <algorithm>

namespace cli {

const Option* FindOption(std::span<const Option> table, std::string_view word, std::initializer_list<int> groups) {
    for (const Option& option : table) {
        if (std::find(groups.begin(), groups.end(), option.group) == groups.end()) continue;
        if (word == option.longName || (!option.shortName.empty() && word == option.shortName)) return &option;
    }
    return nullptr;
}

SplitLine SplitWords(const std::vector<std::string>& words, std::span<const Option> table,
                     std::initializer_list<int> groups) {
    SplitLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            line.operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        Occurrence occurrence{FindOption(table, word, groups), word, {}, false};
        if (occurrence.option != nullptr && occurrence.option->takesValue) {
            if (i + 1 < words.size()) {
                occurrence.value = words[++i];
            } else {
                occurrence.valueMissing = true;
            }
        }
        line.options.push_back(std::move(occurrence));
    }
    return line;
}

std::string Synopsis(const Option& option) {
    std::string text;
    if (!option.shortName.empty()) text.append(option.shortName).append(", ");
    text.append(option.longName);
    if (!option.valueName.empty()) text.append(" ").append(option.valueName);
    return text;
}

}  // namespace cli
