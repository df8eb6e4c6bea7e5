// A file manager's thumbnail: korvane-render --fit --background transparent
// --size 256 as a whole process with no X display (Mesa's surfaceless EGL),
// from start to the PNG written. Models: a sphere of 1,000,000 triangles as binary .x, and the
// shared game models. Target: under 1 second for the million triangles.
//
//     bench_thumbnail [REPEATS]   (default 5; the fastest run is reported)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "SphereModel.h"
#include "TimedProcess.h"
#include "base/Stream.h"
#include "support/TempDir.h"

namespace {

constexpr double TargetSeconds = 1.0;

struct Model {
    std::string name;
    std::string path;
};

// The thumbnailer's command line, as a file manager runs it, without DISPLAY.
std::vector<std::string> ThumbnailCommand(const std::string& input, const std::string& output) {
    return {"env", "-u", "DISPLAY", KORVANE_RENDER, "--fit", "--background", "transparent", "--size", "256", input, output};
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 5;
    if (repeats < 1) {
        std::fprintf(stderr, "usage: bench_thumbnail [REPEATS]\n");
        return 2;
    }
    testsupport::TempDir temp;
    const auto& sphere = spheremodel::SphereX();
    base::WriteFileAtomically(temp.File("sphere.x"), sphere.data(), sphere.size());
    std::vector<Model> models{{"sphere, 1,000,000 triangles (.x binary)", temp.File("sphere.x")}};
    const std::filesystem::path shared = KORVANE_SHARED_MODELS;
    for (const char* game : {"x/Testwuson.X", "x/BCN_Epileptic.X", "3ds/fels.3ds"})
        if (std::filesystem::exists(shared / game)) models.push_back({game, (shared / game).string()});

    std::printf("%-42s %10s %12s\n", "thumbnail --fit --size 256, no display", "seconds", "peak MiB");
    bool met = true;
    for (const Model& model : models) {
        const benchsupport::Run run = benchsupport::Best(ThumbnailCommand(model.path, temp.File("thumb.png")), repeats);
        if (!run.ok) {
            std::fprintf(stderr, "bench_thumbnail: korvane-render failed on %s\n", model.path.c_str());
            return 1;
        }
        std::printf("%-42s %10.3f %12.1f\n", model.name.c_str(), run.seconds, static_cast<double>(run.peakKiB) / 1024);
        met = met && run.seconds < TargetSeconds;
    }
    std::printf("target: every thumbnail under %.1f s: %s\n", TargetSeconds, met ? "met" : "MISSED");
    return 0;
}
