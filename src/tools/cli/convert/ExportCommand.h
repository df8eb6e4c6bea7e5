#pragma once
// korvane-convert's conversion: INPUT converted to a DirectX .x file.
#include <ostream>
#include <vector>

#include "cli/ConvertTool.h"

namespace convert {

// The material edits among the options, in the order given. Raises UsageError
// for an edit without its value or with a value out of bounds.
std::vector<MaterialEdit> ReadMaterialEdits(const cli::SplitLine& line);

// The conversion the checked options ask for. Raises UsageError.
ExportRequest ParseExportRequest(const Arguments& arguments, std::vector<MaterialEdit> edits);

// Converts and returns the exit status. Output "-" goes to out. Read and write
// errors are raised as base::Exception.
int RunExport(const ExportRequest& request, std::ostream& out);

}  // namespace convert
