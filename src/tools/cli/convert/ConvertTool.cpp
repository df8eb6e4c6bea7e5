#include "cli/ConvertTool.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

#include "base/EscapeField.h"
#include "base/TemporaryFiles.h"
#include "convert/ExportCommand.h"

namespace convert {

namespace {

// What was printed must reach standard output whole: a full device is a failure.
void FlushStandardOutput() {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        throw base::EWriteError("standard output", errno != 0 ? errno : EIO);
}

}  // namespace

int RunConvertTool(const std::vector<std::string>& words) {
    base::RemoveTemporaryFilesOnSignals();
    const CommandLine commandLine = ParseCommandLine(words);
    const int status = commandLine.request ? RunExport(*commandLine.request, std::cout)
                                           : commandLine.run(commandLine.arguments, std::cout);
    FlushStandardOutput();
    return status;
}

void PrintMessage(const std::string& message) {
    std::cerr << "korvane-convert: " << base::EscapeLines(message) << "\n";
}

}  // namespace convert
