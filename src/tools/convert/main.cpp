// korvane-convert: reads 3D Studio models and converts them to DirectX .x files.
//
// Exit status: 0 success; 1 when the input cannot be read (or the output not
// written), with the reader's message on standard error; 2 for a usage error.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Language.h"
#include "cli/ConvertTool.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    try {
        return convert::RunConvertTool(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const cli::UsageError& error) {
        convert::PrintMessage(error.what());
        std::cerr << convert::Usage();
        return kExitUsage;
    } catch (const std::exception& error) {
        convert::PrintMessage(base::ErrorLine(error, base::EnvironmentUiLanguage()));
        return kExitFailure;
    }
}
