// Reads the input as a .glb or .gltf file with the viewer's glTF reader, then
// builds its meshes and poses them at the animation's start, midway, end and
// past it. Files the input names are looked for in a folder made once for the
// run, which holds a small buffer and image, so that uris reach the file
// search without any file outside that folder being read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "PoseAtSomeTimes.h"
#include "viewer/GltfFile.h"
#include "viewer/MeshBuilder.h"

namespace {

std::string MakeFolder() {
    char path[] = "/tmp/fuzz_gltf.XXXXXX";
    if (mkdtemp(path) == nullptr) std::abort();
    const std::string folder = path;
    std::ofstream(folder + "/buffer.bin", std::ios::binary) << std::string(96, '\x01');
    std::ofstream(folder + "/Image.png", std::ios::binary) << "\x89PNG\r\n\x1a\n";
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = MakeFolder();
    viewer::GltfModel model;
    try {
        model = viewer::ParseGltf(data, size, folder);
    } catch (const viewer::GltfFormatError&) {
        return 0;
    }
    viewer::MeshBuilder builder;
    builder.Load(std::move(model));
    fuzzsupport::PoseAtSomeTimes(builder);
    return 0;
}
