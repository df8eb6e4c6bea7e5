#include "RenderOptions.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace render {

const char* const RenderUsage =
    "usage: korvane-render [--size WxH|N] [--quality gouraud|flat|wire] [--background RRGGBB|transparent]\n"
    "                      [--turn DX,DY] [--fit] [--timeout SECONDS] [--memory MB] INPUT OUTPUT.png\n"
    "       korvane-render [OPTIONS] [-j N] INPUT... -o FOLDER\n"
    "       korvane-render -h | --help | --version\n"
    "--size is at most 8192x8192 (default 640x480); --size N is NxN.\n"
    "--fit moves the camera so that the whole model fills the picture.\n"
    "--timeout (default 30, at most 3600) and --memory (default 4096, from 512) bound the run:\n"
    "past either, it ends with status 1 and writes no picture.\n"
    "INPUT is a .x or .xa file, or a .3ds or .3da model converted with the default options.\n"
    "-o, --output FOLDER: each INPUT, or every model below an INPUT folder (.x, .xa, .3ds, .3da,\n"
    "any letter case), drawn into FOLDER at its path below the folder given (a file given: its\n"
    "name), as .png. One failure never stops the rest; every failure is listed at the end\n"
    "(status 1), and no partial picture is left. --timeout and --memory bound the whole run\n"
    "there only when given.\n"
    "-j, --jobs N: N models read and encoded at once (default: the number of cores, at most 256);\n"
    "the drawing itself is done one picture at a time. On a terminal a progress line shows.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

namespace {

// A picture of 8192 x 8192 pixels already takes 256 MB in each of its copies.
constexpr int MaxPictureSide = 8192;
constexpr int MaxTimeOutSeconds = 3600;
// Below this the libraries that draw cannot even start.
constexpr int MinMemoryMegabytes = 512;
constexpr int MaxJobs = 256;

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

bool TakesValue(const std::string& option) {
    static const char* const withValue[] = {"-o",           "--output",  "-j",       "--jobs",   "--size",
                                            "--quality",    "--timeout", "--memory", "--turn",
                                            "--background"};
    return std::find(std::begin(withValue), std::end(withValue), option) != std::end(withValue);
}

int DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, static_cast<unsigned>(MaxJobs)));
}

int ParseJobs(const std::string& text) {
    int jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs < 1 || jobs > MaxJobs)
        throw std::invalid_argument("--jobs takes a whole number from 1 to 256, not " + text);
    return jobs;
}

}  // namespace

RenderOptions ParseRenderOptions(const std::vector<std::string>& arguments) {
    RenderOptions options;
    options.jobs = DefaultJobs();
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--fit") {
            options.fit = true;
            continue;
        }
        if (argument == "--help" || argument == "-h" || argument == "--version") {
            (argument == "--version" ? options.version : options.help) = true;
            continue;
        }
        if (!TakesValue(argument)) throw std::invalid_argument("unknown option: " + argument);
        if (i + 1 == arguments.size()) throw std::invalid_argument("missing value for " + argument);
        const std::string& value = arguments[++i];
        if (argument == "-o" || argument == "--output") {
            if (value.empty()) throw std::invalid_argument("--output names a folder");
            options.outputFolder = value;
        } else if (argument == "-j" || argument == "--jobs") {
            options.jobs = ParseJobs(value);
        } else if (argument == "--size") {
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
            options.timeOutGiven = true;
            if (options.timeOutSeconds < 1 || options.timeOutSeconds > MaxTimeOutSeconds)
                throw std::invalid_argument("--timeout takes 1 to 3600 seconds, not " + value);
        } else if (argument == "--memory") {
            options.memoryMegabytes = Number<int>(value);
            options.memoryGiven = true;
            if (options.memoryMegabytes < MinMemoryMegabytes)
                throw std::invalid_argument("--memory takes at least 512 MB, not " + value);
        } else if (argument == "--turn") {
            std::tie(options.turnX, options.turnY) = Pair(value, ',');
        }
    }
    if (options.help || options.version) return options;
    if (options.outputFolder) {
        if (files.empty()) throw std::invalid_argument("expected INPUT... -o FOLDER");
        options.inputs = files;
        return options;
    }
    if (files.size() != 2) throw std::invalid_argument("expected INPUT and OUTPUT.png");
    options.input = files[0];
    options.output = files[1];
    return options;
}

}  // namespace render
