// Loads the input with the viewer's .x loader: text, binary and both compressed
// forms are told apart by the file's own header. An animated model is also
// posed at its start, midway, at its end and past it.
#include <cstddef>
#include <cstdint>

#include "PoseAtSomeTimes.h"
#include "viewer/MeshBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    viewer::MeshBuilder builder;
    if (builder.Load(data, size) != 0) return 0;
    fuzzsupport::PoseAtSomeTimes(builder);
    return 0;
}
