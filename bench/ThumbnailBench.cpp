// A file manager's thumbnail: korvane-render --fit --background transparent
// --size 256 as a whole process with no X display (Mesa's surfaceless EGL),
// from start to the PNG written. Models: a sphere of 1,000,000 triangles as
// binary .x, the shared game models, and a quad whose 200 materials name
// textures that are missing from its folder of 20,000 files. Target: every
// thumbnail under 1 second.
//
//     bench_thumbnail [REPEATS]   (default 5; the fastest run is reported)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// A quad with texture coordinates and 200 materials, each naming a texture
// that is not there, in a folder of 20,000 other files.
std::string MissingTexturesModel(const testsupport::TempDir& temp) {
    const std::filesystem::path folder = temp.Path() / "crowded";
    std::filesystem::create_directory(folder);
    for (int i = 0; i < 20000; ++i) std::ofstream(folder / ("file" + std::to_string(i) + ".dat")).close();
    std::string materials;
    for (int i = 0; i < 200; ++i)
        materials += "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"missing" + std::to_string(i) +
                     ".png\"; } }\n";
    const std::string text = "xof 0303txt 0032\nMesh { 4; -1;-1;0;, -1;1;0;, 1;-1;0;, 1;1;0;; 2; 3;0,1,2;, 3;2,1,3;;\n"
                             "MeshMaterialList { 200; 2; 0,1;;\n" + materials + "}\n"
                             "MeshTextureCoords { 4; 0;1;, 0;0;, 1;1;, 1;0;; } }\n";
    const std::string path = (folder / "model.x").string();
    base::WriteFileAtomically(path, text.data(), text.size());
    return path;
}

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
    models.push_back({"200 textures missing among 20,000 files", MissingTexturesModel(temp)});

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
