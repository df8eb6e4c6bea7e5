// korvane-render: draws a model with the viewer's own scene into a PNG file, or
// many models into a folder of them.
#include <cstdio>
#include <exception>
#include <string>

#include "base/Errors.h"
#include "base/EscapeField.h"
#include "base/Language.h"
#include "cli/OptionTable.h"
#include "cli/RenderOptions.h"
#include "cli/RenderTool.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Every message the tool prints after its name: a message may hold what a file
// sent, so each of its lines is escaped.
void PrintMessage(const std::string& message) {
    std::fprintf(stderr, "korvane-render: %s\n", base::EscapeLines(message).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return render::RunRenderTool(argc, argv);
    } catch (const cli::UsageError& error) {
        PrintMessage(error.what());
        std::fputs(render::RenderHelp().c_str(), stderr);
        return kExitUsage;
    } catch (const std::exception& error) {
        PrintMessage(base::ErrorLine(error, base::EnvironmentUiLanguage()));
        return kExitFailure;
    }
}
