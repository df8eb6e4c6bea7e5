// korvane-render: draws a model with the viewer's own scene into a PNG file, or
// many models into a folder of them.
#include <cstdio>
#include <exception>
#include <string>

#include "base/Errors.h"
#include "base/Language.h"
#include "cli/OptionTable.h"
#include "cli/RenderOptions.h"
#include "cli/RenderTool.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const std::exception& error) {
    std::fprintf(stderr, "korvane-render: %s\n", base::ErrorLine(error, base::EnvironmentUiLanguage()).c_str());
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return render::RunRenderTool(argc, argv);
    } catch (const cli::UsageError& error) {
        std::fprintf(stderr, "korvane-render: %s\n%s", error.what(), render::RenderHelp().c_str());
        return kExitUsage;
    } catch (const std::exception& error) {
        return Fail(error);
    }
}
