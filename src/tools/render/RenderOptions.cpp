#include "RenderOptions.h"

#include <charconv>
#include <stdexcept>

namespace render {

const char* const RenderUsage =
    "usage: korvane-render [--size WxH|N] [--quality gouraud|flat|wire] [--background RRGGBB|transparent]\n"
    "                      [--turn DX,DY] [--fit] [--timeout SECONDS] [--memory MB] INPUT OUTPUT.png\n"
    "--size is at most 8192x8192 (default 640x480); --size N is NxN.\n"
    "--fit moves the camera so that the whole model fills the picture.\n"
    "--timeout (default 30, at most 3600) and --memory (default 4096, from 512) bound the run:\n"
    "past either, it ends with status 1 and writes no picture.\n"
    "INPUT is a .x or .xa file, or a .3ds or .3da model converted with the default options.\n";

namespace {

// A picture of 8192 x 8192 pixels already takes 256 MB in each of its copies.
constexpr int MaxPictureSide = 8192;
constexpr int MaxTimeOutSeconds = 3600;
// Below this the libraries that draw cannot even start.
constexpr int MinMemoryMegabytes = 512;

template <typename T>
T Number(const std::string& text, int base = 10) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw std::invalid_argument("not a number: " + text);
    return value;
}

std::pair<int, int> Pair(const std::string& text, char separator) {
    const auto at = text.find(separator);
    if (at == std::string::npos) throw std::invalid_argument("expected two numbers: " + text);
    return {Number<int>(text.substr(0, at)), Number<int>(text.substr(at + 1))};
}

}  // namespace

RenderOptions ParseRenderOptions(const std::vector<std::string>& arguments) {
    RenderOptions options;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            files.push_back(argument);
            continue;
        }
        if (argument == "--fit") {
            options.fit = true;
            continue;
        }
        if (i + 1 == arguments.size()) throw std::invalid_argument("missing value for " + argument);
        const std::string& value = arguments[++i];
        if (argument == "--size") {
            if (value.find('x') == std::string::npos)
                options.width = options.height = Number<int>(value);
            else
                std::tie(options.width, options.height) = Pair(value, 'x');
            if (options.width < 1 || options.height < 1 || options.width > MaxPictureSide ||
                options.height > MaxPictureSide)
                throw std::invalid_argument("--size takes WxH or N, from 1x1 to 8192x8192, not " + value);
        } else if (argument == "--quality") {
            if (value == "gouraud")
                options.quality = viewer::RenderGouraud;
            else if (value == "flat")
                options.quality = viewer::RenderFlat;
            else if (value == "wire")
                options.quality = viewer::RenderWireframe;
            else
                throw std::invalid_argument("unknown quality: " + value);
        } else if (argument == "--background" && value == "transparent") {
            options.transparent = true;
        } else if (argument == "--background") {
            if (value.size() != 6) throw std::invalid_argument("background is RRGGBB or transparent: " + value);
            options.background = Number<std::uint32_t>(value, 16);
        } else if (argument == "--timeout") {
            options.timeOutSeconds = Number<int>(value);
            if (options.timeOutSeconds < 1 || options.timeOutSeconds > MaxTimeOutSeconds)
                throw std::invalid_argument("--timeout takes 1 to 3600 seconds, not " + value);
        } else if (argument == "--memory") {
            options.memoryMegabytes = Number<int>(value);
            if (options.memoryMegabytes < MinMemoryMegabytes)
                throw std::invalid_argument("--memory takes at least 512 MB, not " + value);
        } else if (argument == "--turn") {
            std::tie(options.turnX, options.turnY) = Pair(value, ',');
        } else {
            throw std::invalid_argument("unknown option: " + argument);
        }
    }
    if (files.size() != 2) throw std::invalid_argument("expected INPUT and OUTPUT.png");
    options.input = files[0];
    options.output = files[1];
    return options;
}

}  // namespace render
