#include "cli/RenderOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <thread>

#include "cli/OptionTable.h"
#include "render/Limits.h"

namespace render {

namespace {

using cli::UsageError;

// The picture's options, shown in brackets in the usage; the batch options; the
// options that answer by themselves.
enum OptionGroup { kPictureGroup, kBatchGroup, kInfoGroup };

constexpr cli::Option kOptions[] = {
    {"--size", "", true, "WxH|N", "--size is at most 8192x8192 (default 640x480); --size N is NxN.", kPictureGroup},
    {"--quality", "", true, "gouraud|flat|wire", "", kPictureGroup},
    {"--background", "", true, "RRGGBB|transparent", "", kPictureGroup},
    {"--turn", "", true, "DX,DY", "", kPictureGroup},
    {"--time", "", true, "SECONDS",
     "--time draws an animated model in its pose at that many seconds from the start of its\n"
     "animation (default 0), which repeats after its end; a .3ds or .3da model is then drawn\n"
     "as its keyframer places and moves its parts, and as stored without --time.",
     kPictureGroup},
    {"--fit", "", false, "", "--fit moves the camera so that the whole model, in that pose, fills the picture.",
     kPictureGroup},
    {"--timeout", "", true, "SECONDS",
     "--timeout (default 30, at most 3600) and --memory (default 4096, from 512) bound the run:\n"
     "past either, it ends with status 1 and writes no picture.",
     kPictureGroup},
    {"--memory", "", true, "MB", "", kPictureGroup},
    {"--texture-path", "", true, "DIR",
     "--texture-path DIR (repeatable) is looked in first, in the order given, for a texture's file\n"
     "by its name; then the model's folder as the model names it, the folder itself, its and its\n"
     "parent's textures, texture, maps, images, tex or bitmaps folder, the parent; in each place\n"
     "a .png, .jpg, .jpeg, .tga, .bmp or .gif of the same stem where the file named is absent or\n"
     "unreadable (any letter case). The first file that decodes is drawn; one found elsewhere than\n"
     "the model names it gets a warning naming it.",
     kPictureGroup, true},
    {"--verbose", "", false, "",
     "--verbose shows what Qt and the graphics drivers say; without it a run that succeeds prints\n"
     "nothing but those warnings.",
     kPictureGroup},
    {"--output", "-o", true, "FOLDER",
     "each INPUT, or every model below an INPUT folder (.x, .xa, .3ds, .3da,\n"
     ".glb, .gltf, any letter case), drawn into FOLDER at its path below the folder given (a file given: its\n"
     "name), as .png. One failure never stops the rest; every failure is listed at the end\n"
     "(status 1), and no partial picture is left. --timeout and --memory bound the whole run\n"
     "there only when given.",
     kBatchGroup},
    {"--jobs", "-j", true, "N",
     "N models read and encoded at once (default: the number of cores, at most 256);\n"
     "the drawing itself is done one picture at a time. On a terminal a progress line shows.",
     kBatchGroup},
    {"--help", "-h", false, "", "", kInfoGroup},
    {"--version", "", false, "", "", kInfoGroup},
};

constexpr std::string_view kUsageStart = "usage: korvane-render";
// The usage's first lines are wrapped before this column.
constexpr std::size_t kUsageWidth = 100;

constexpr const char* kMoreUsage =
    "       korvane-render [OPTIONS] [-j N] INPUT... -o FOLDER\n"
    "       korvane-render -h | --help | --version\n";

constexpr const char* kInputText =
    "INPUT is a .x or .xa file, a .3ds or .3da model (drawn as modelled: the normals of its\n"
    "smoothing groups, each material's opacity from the file, its textures), or a .glb or\n"
    ".gltf file (glTF 2.0), drawn in its pose at --time.\n";

constexpr const char* kExitText = "Exit status: 0 success, 1 failure, 2 usage error.\n";

// "usage: korvane-render [--size WxH|N] ... INPUT OUTPUT.png", wrapped, further
// lines under the first option.
std::string PictureUsage() {
    std::vector<std::string> items;
    for (const cli::Option& option : kOptions) {
        if (option.group != kPictureGroup) continue;
        std::string item = "[" + std::string(option.longName);
        if (!option.valueName.empty()) item.append(" ").append(option.valueName);
        items.push_back(item + "]");
    }
    items.push_back("INPUT OUTPUT.png");
    std::string text(kUsageStart);
    std::size_t lineStart = 0;
    for (const std::string& item : items) {
        if (text.size() - lineStart + 1 + item.size() > kUsageWidth) {
            text += "\n";
            lineStart = text.size();
            text += std::string(kUsageStart.size(), ' ');
        }
        text += " " + item;
    }
    return text + "\n";
}

std::string BuildHelp() {
    std::string text = PictureUsage() + kMoreUsage;
    for (const cli::Option& option : kOptions) {
        if (option.group == kPictureGroup && !option.help.empty()) text.append(option.help).append("\n");
    }
    text += kInputText;
    for (const cli::Option& option : kOptions) {
        if (option.group == kBatchGroup) text.append(cli::Synopsis(option)).append(": ").append(option.help).append("\n");
    }
    return text + kExitText;
}

// A picture of 8192 x 8192 pixels already takes 256 MB in each of its copies.
constexpr int MaxPictureSide = 8192;
constexpr int MaxTimeOutSeconds = 3600;
constexpr int MaxJobs = 256;

template <typename T>
T Number(const std::string& text, int base = 10) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw UsageError("not a number: " + text);
    return value;
}

std::pair<int, int> Pair(const std::string& text, char separator) {
    const auto at = text.find(separator);
    if (at == std::string::npos) throw UsageError("expected two numbers: " + text);
    return {Number<int>(text.substr(0, at)), Number<int>(text.substr(at + 1))};
}

int DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, static_cast<unsigned>(MaxJobs)));
}

int ParseJobs(const std::string& text) {
    int jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs < 1 || jobs > MaxJobs)
        throw UsageError("--jobs takes a whole number from 1 to 256, not " + text);
    return jobs;
}

void ParseSize(const std::string& value, RenderOptions& options) {
    if (value.find('x') == std::string::npos)
        options.width = options.height = Number<int>(value);
    else
        std::tie(options.width, options.height) = Pair(value, 'x');
    if (options.width < 1 || options.height < 1 || options.width > MaxPictureSide || options.height > MaxPictureSide)
        throw UsageError("--size takes WxH or N, from 1x1 to 8192x8192, not " + value);
}

std::uint32_t ParseQuality(const std::string& value) {
    if (value == "gouraud") return viewer::RenderGouraud;
    if (value == "flat") return viewer::RenderFlat;
    if (value == "wire") return viewer::RenderWireframe;
    throw UsageError("unknown quality: " + value);
}

void ParseBackground(const std::string& value, RenderOptions& options) {
    if (value == "transparent") {
        options.transparent = true;
        return;
    }
    if (value.size() != 6) throw UsageError("background is RRGGBB or transparent: " + value);
    options.background = Number<std::uint32_t>(value, 16);
}

double ParseTime(const std::string& value) {
    double seconds = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds) || seconds < 0)
        throw UsageError("--time takes a number of seconds from 0, not " + value);
    return seconds;
}

// One option, its value checked, into options; in the order given, a later
// use overriding an earlier one.
void Apply(std::string_view name, const std::string& value, RenderOptions& options) {
    if (name == "--fit") {
        options.fit = true;
    } else if (name == "--verbose") {
        options.verbose = true;
    } else if (name == "--help") {
        options.help = true;
    } else if (name == "--version") {
        options.version = true;
    } else if (name == "--output") {
        if (value.empty()) throw UsageError("--output names a folder");
        options.outputFolder = value;
    } else if (name == "--jobs") {
        options.jobs = ParseJobs(value);
    } else if (name == "--size") {
        ParseSize(value, options);
    } else if (name == "--quality") {
        options.quality = ParseQuality(value);
    } else if (name == "--background") {
        ParseBackground(value, options);
    } else if (name == "--timeout") {
        options.timeOutSeconds = Number<int>(value);
        options.timeOutGiven = true;
        if (options.timeOutSeconds < 1 || options.timeOutSeconds > MaxTimeOutSeconds)
            throw UsageError("--timeout takes 1 to 3600 seconds, not " + value);
    } else if (name == "--memory") {
        options.memoryMegabytes = Number<int>(value);
        options.memoryGiven = true;
        if (options.memoryMegabytes < kMinMemoryMegabytes)
            throw UsageError("--memory takes at least 512 MB, not " + value);
    } else if (name == "--texture-path") {
        std::error_code ignored;
        if (!std::filesystem::is_directory(value, ignored))
            throw UsageError("--texture-path " + value + " is not a folder");
        options.texturePaths.push_back(value);
    } else if (name == "--time") {
        options.time = ParseTime(value);
        options.timeGiven = true;
    } else if (name == "--turn") {
        std::tie(options.turnX, options.turnY) = Pair(value, ',');
    }
}

}  // namespace

RenderOptions ParseRenderOptions(const std::vector<std::string>& arguments) {
    RenderOptions options;
    options.jobs = DefaultJobs();
    const cli::SplitLine line = cli::SplitWords(arguments, kOptions, {kPictureGroup, kBatchGroup, kInfoGroup});
    // Faults are reported in the order of the words.
    for (const cli::Occurrence& occurrence : line.options) {
        if (occurrence.option == nullptr) throw UsageError("unknown option: " + occurrence.word);
        if (occurrence.valueMissing) throw UsageError("missing value for " + occurrence.word);
        Apply(occurrence.option->longName, occurrence.value, options);
    }
    if (options.help || options.version) return options;
    const std::vector<std::string>& files = line.operands;
    if (options.outputFolder) {
        if (files.empty()) throw UsageError("expected INPUT... -o FOLDER");
        options.inputs = files;
        return options;
    }
    if (files.size() != 2) throw UsageError("expected INPUT and OUTPUT.png");
    options.input = files[0];
    options.output = files[1];
    return options;
}

const std::string& RenderHelp() {
    static const std::string help = BuildHelp();
    return help;
}

}  // namespace render
