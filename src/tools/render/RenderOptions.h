#pragma once
// The command line of korvane-render.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "viewer/MeshBuilder.h"

namespace render {

struct RenderOptions {
    int width = 640;
    int height = 480;
    std::uint32_t quality = viewer::RenderGouraud;
    std::optional<std::uint32_t> background;  // 0xRRGGBB
    bool transparent = false;  // the background left transparent (alpha 0)
    int turnX = 0, turnY = 0;  // one drag of the mouse: pixels right and down
    bool fit = false;          // the camera moved so that the model fills the picture
    int timeOutSeconds = 30;   // of real time, for the whole run
    int memoryMegabytes = 4096;  // address space of the whole process
    std::string input;
    std::string output;
};

// Parses the arguments after the program name; raises std::invalid_argument
// with a message for the user.
RenderOptions ParseRenderOptions(const std::vector<std::string>& arguments);

extern const char* const RenderUsage;

}  // namespace render
