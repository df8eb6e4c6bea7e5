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
    double time = 0;           // seconds into the animation of an animated model
    bool timeGiven = false;    // a 3DS model is then drawn with its keyframer's animation
    bool fit = false;          // the camera moved so that the model fills the picture
    std::vector<std::string> texturePaths;  // looked in first for texture files, in order
    int timeOutSeconds = 30;   // of real time, for the whole run
    int memoryMegabytes = 4096;  // address space of the whole process
    bool timeOutGiven = false, memoryGiven = false;
    std::string input;
    std::string output;
    // -o FOLDER: every input, or every model below an input folder, drawn into
    // FOLDER on jobs threads; inputs then holds them all.
    std::optional<std::string> outputFolder;
    std::vector<std::string> inputs;
    int jobs = 1;
    bool help = false, version = false;
    bool verbose = false;  // Qt's and the drivers' own messages shown, not dropped
};

// Parses the arguments after the program name; raises cli::UsageError with a
// message for the user. Options start with "-" and may come anywhere; "--" ends
// them.
RenderOptions ParseRenderOptions(const std::vector<std::string>& arguments);

// What --help prints, and a usage error after its message.
const std::string& RenderHelp();

}  // namespace render
