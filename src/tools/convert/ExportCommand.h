#pragma once
// korvane-convert's export mode: INPUT converted to a DirectX .x file.
#include <ostream>
#include <string>
#include <vector>

namespace convert {

// Whether word is an export option that takes the next word as its value.
bool IsExportValueOption(const std::string& word);

// Parses the words (program name excluded), converts, and returns the exit
// status. Output "-" goes to out. Usage errors are raised as UsageError, read and
// write errors as base::Exception.
int RunExport(const std::vector<std::string>& words, std::ostream& out);

}  // namespace convert
