// Loads the input with the viewer's .x loader: text, binary and both compressed
// forms are told apart by the file's own header.
#include <cstddef>
#include <cstdint>

#include "viewer/MeshBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    viewer::MeshBuilder builder;
    if (builder.Load(data, size) == 0) builder.GetBox();
    return 0;
}
