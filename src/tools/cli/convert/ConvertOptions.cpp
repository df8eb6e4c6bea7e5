#include "convert/ConvertOptions.h"

#include <algorithm>
#include <initializer_list>

#include "convert/Commands.h"
#include "convert/ExportCommand.h"

namespace convert {

namespace {

// The conversion's options; the batch options, which also go with a conversion;
// the options that choose another command, and its own; the options of the
// network exchange, which go with a conversion and with some commands.
enum OptionGroup { kConversionGroup, kBatchGroup, kCommandGroup, kNetworkGroup };

constexpr std::string_view kMaterialEditHelp =
    "edit the first material of that name first\n"
    "(opacity 10 to 100, power 0 to 50; repeatable)";

// Rows without help share the help of the row after them.
constexpr cli::Option kOptions[] = {
    {"--output", "-o", true, "FILE",
     "target (default: INPUT with the extension .x; - for standard output);\n"
     "its extension .x, .glb or .gltf chooses the form",
     kConversionGroup},
    {"--binary", "-b", false, "", "binary form (default: text)", kConversionGroup},
    {"--merge", "-m", false, "",
     "all meshes merged into one, coordinates kept (the default\n"
     "without --mesh or --mesh-name)",
     kConversionGroup},
    {"--mesh", "", true, "N", "only that mesh, counted from 0", kConversionGroup},
    {"--mesh-name", "", true, "NAME", "only the first mesh of that name", kConversionGroup},
    {"--origin", "", true, "center|min|keep",
     "one mesh's origin moved to its centre (default), to its\n"
     "minimum corner, or kept; a merged model keeps its coordinates",
     kConversionGroup},
    {"--no-materials", "", false, "", "write no material list", kConversionGroup},
    {"--ignore-opacity", "", false, "", "write every material opaque", kConversionGroup},
    {"--file-opacity", "", false, "",
     "each material's opacity from the file: 1 - its transparency\n"
     "(default: 1.0; --opacity edits still apply after it)",
     kConversionGroup},
    {"--texcoords", "", false, "",
     "a MeshTextureCoords block from the mesh's texture coordinates\n"
     "(v flipped to DirectX's top-left origin: 1 - v)",
     kConversionGroup},
    {"--textures", "", false, "", "a TextureFilename in each material with a texture map", kConversionGroup},
    {"--normals", "", false, "", "a MeshNormals block from the smoothing groups", kConversionGroup},
    {"--frames", "", false, "",
     "the mesh inside a Frame named after it, with a\n"
     "FrameTransformMatrix from its local matrix; with -m\n"
     "the merged mesh stays one Mesh, without a Frame",
     kConversionGroup},
    {"--hierarchy", "", false, "",
     "every mesh in Frames nested as the keyframer nests its\n"
     "nodes, each with its FrameTransformMatrix at the segment's\n"
     "first frame; a mesh without a node is a top Frame where it\n"
     "is (not with -m, --mesh, --mesh-name, --origin, --frames)",
     kConversionGroup},
    {"--animation", "", false, "",
     "--hierarchy, and an AnimationSet named after the file with\n"
     "rotation, scale and position keys of every moving node",
     kConversionGroup},
    {"--top-frame", "", false, "", "with --hierarchy: all in one Frame named after the file", kConversionGroup},
    {"--scale", "", true, "F", "multiply every coordinate by F (positive), after --origin", kConversionGroup},
    {"--flip-winding", "", false, "", "reverse every face's vertex order, and the normals with it", kConversionGroup},
    {"--texture-path", "", true, "DIR",
     "glTF output: look for texture images in DIR first, by file name\n"
     "(repeatable, in the order given); then as the model names them,\n"
     "in its folder, in its or its parent's textures, texture, maps,\n"
     "images, tex or bitmaps folder, in the parent; a .png, .jpg,\n"
     ".jpeg, .tga, .bmp or .gif of the same stem where a file is absent\n"
     "or unreadable (any letter case)",
     kConversionGroup, true},
    {"--opacity", "", true, "NAME=PERCENT", "", kConversionGroup, true},
    {"--power", "", true, "NAME=VALUE", "", kConversionGroup, true},
    {"--diffuse", "", true, "NAME=RRGGBB", "", kConversionGroup, true},
    {"--specular", "", true, "NAME=RRGGBB", kMaterialEditHelp, kConversionGroup, true},
    {"--jobs", "-j", true, "N",
     "N conversions at once (default: the number of cores); on a\n"
     "terminal a progress line shows on standard error",
     kBatchGroup},
    {"--format", "", true, "x|glb|gltf", "what each input becomes (default: x)", kBatchGroup},
    {"--list", "", false, "INPUT",
     "one line per mesh, then one per material, tab-separated:\n"
     "  mesh INDEX NAME VERTICES FACES TEXCOORDS GROUPS\n"
     "  material INDEX NAME DIFFUSE SPECULAR OPACITY POWER TRANSPARENCY\n"
     "INPUT may be an http:// address, fetched into memory first",
     kCommandGroup},
    {"--remote-list", "", false, "ADDR",
     "log in (anonymous without USER), change to PATH and list it,\n"
     "one line per entry: NAME SIZE-or-<DIR> DATE KIND, tab-separated\n"
     "In both listings a field's tab, line feed, carriage return and\n"
     "backslash are written \\t, \\n, \\r and \\\\, other control\n"
     "characters \\xNN (hexadecimal); other bytes as they are",
     kCommandGroup},
    {"--max-time", "", true, "SECONDS",
     "give up on the network exchange of an http:// INPUT (each one\n"
     "of a batch on its own) or of --remote-list when it takes longer\n"
     "than this, however steadily the server sends (a number above 0,\n"
     "fractions allowed, at most 604800; default 300)",
     kNetworkGroup},
    {"--pack", "", false, "OUT INPUT", "write INPUT packed as a .3da file", kCommandGroup},
    {"--unpack", "", false, "OUT INPUT", "write the unpacked bytes of the .3da file INPUT", kCommandGroup},
    {"--help", "-h", false, "", "show this help", kCommandGroup},
    {"--version", "", false, "", "show the version", kCommandGroup},
};

const std::string kUsage =
    "Usage: korvane-convert --list INPUT\n"
    "       korvane-convert --remote-list ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH\n"
    "       korvane-convert --pack OUT INPUT\n"
    "       korvane-convert --unpack OUT INPUT\n"
    "       korvane-convert [OPTIONS] INPUT\n"
    "       korvane-convert [OPTIONS] [-j N] INPUT... [-o FOLDER]\n"
    "       korvane-convert -h | --help | --version\n";

constexpr const char* kIntro =
    "\n"
    "Reads 3D Studio models (.3ds; .3da, any letter case, is unpacked first).\n"
    "\n"
    "  [OPTIONS] INPUT      convert INPUT to a DirectX .x file, or to glTF 2.0 (.glb: one\n"
    "                       file; .gltf: with OUT.bin and OUT_images/ beside it), the\n"
    "                       keyframer's nodes, meshes, materials, textures and animation,\n"
    "                       and in glTF its cameras and lights (with glTF only the\n"
    "                       material edits go):\n";

constexpr const char* kBatchIntro =
    "  [OPTIONS] INPUT...   several inputs, or a folder (every .3ds/.3da below it, any\n"
    "                       letter case): each converted with OPTIONS, into FOLDER (-o) at\n"
    "                       its path below the folder given (a file given: its name), or\n"
    "                       beside its input without -o. One failure never stops the rest;\n"
    "                       every failure is listed at the end, and no partial file is left\n";

constexpr const char* kOutro =
    "\n"
    "Exit status: 0 success, 1 the input cannot be read or the output (standard output\n"
    "included) not written (in a batch: any input failed), 2 usage error.\n";

// A synopsis this long or longer is followed by kMinGap spaces, not aligned.
constexpr std::size_t kSynopsisColumn = 21;
constexpr std::size_t kMinGap = 3;

// The rows of the groups, in the table's order, each synopsis indented by indent,
// its help in a column after it with further lines under the first.
std::string OptionLines(std::initializer_list<OptionGroup> groups, std::size_t indent) {
    const std::string margin(indent, ' ');
    const std::string helpMargin(indent + kSynopsisColumn, ' ');
    std::string text;
    std::string sharing;
    for (const cli::Option& option : kOptions) {
        if (std::find(groups.begin(), groups.end(), option.group) == groups.end()) continue;
        const std::string synopsis = cli::Synopsis(option);
        if (option.help.empty()) {
            sharing += (sharing.empty() ? "" : ", ") + synopsis;
            continue;
        }
        if (!sharing.empty()) text += margin + sharing + ",\n";
        sharing.clear();
        const std::size_t gap = synopsis.size() + kMinGap > kSynopsisColumn ? kMinGap : kSynopsisColumn - synopsis.size();
        text += margin + synopsis + std::string(gap, ' ');
        std::string_view help = option.help;
        for (std::size_t end = help.find('\n'); end != std::string_view::npos; end = help.find('\n')) {
            text.append(help.substr(0, end)).append("\n").append(helpMargin);
            help.remove_prefix(end + 1);
        }
        text.append(help).append("\n");
    }
    return text;
}

int RunHelp(const Arguments&, std::ostream& out) {
    out << Help();
    return 0;
}

int RunVersion(const Arguments&, std::ostream& out) {
    out << "korvane-convert " KORVANE_VERSION "\n";
    return 0;
}

struct CommandRule {
    std::string_view option;
    bool takesMaxTime;
    RunCommand run;
};

// A command other than a conversion is chosen by exactly one of these options.
constexpr CommandRule kCommands[] = {
    {"--list", true, RunList},
    {"--remote-list", true, RunRemoteList},
    {"--pack", false, RunPack},
    {"--unpack", false, RunUnpack},
};

const CommandRule& ChooseCommand(const Arguments& arguments) {
    const CommandRule* chosen = nullptr;
    for (const CommandRule& command : kCommands) {
        if (!arguments.Has(command.option)) continue;
        if (chosen != nullptr) throw UsageError("choose one of --list, --remote-list, --pack and --unpack");
        chosen = &command;
    }
    if (chosen == nullptr) throw UsageError("no command given");
    if (arguments.Has("--max-time") && !chosen->takesMaxTime) {
        throw UsageError("--max-time goes with a conversion, --list or --remote-list");
    }
    return *chosen;
}

// Without any option of the command group the command line asks for a conversion.
// The value of a conversion option (a mesh named "--list") never chooses a command.
bool IsConversion(const std::vector<std::string>& words) {
    const cli::SplitLine line =
        cli::SplitWords(words, kOptions, {kConversionGroup, kBatchGroup, kCommandGroup, kNetworkGroup});
    return !words.empty() && std::none_of(line.options.begin(), line.options.end(), [](const cli::Occurrence& occurrence) {
               return occurrence.option != nullptr && occurrence.option->group == kCommandGroup;
           });
}

CommandLine ParseConversion(const std::vector<std::string>& words) {
    const cli::SplitLine line = cli::SplitWords(words, kOptions, {kConversionGroup, kBatchGroup, kNetworkGroup});
    // Material edits are checked before the other options.
    std::vector<MaterialEdit> edits = ReadMaterialEdits(line);
    CommandLine commandLine{"", nullptr, CheckOptions(line), std::nullopt};
    commandLine.request = ParseExportRequest(commandLine.arguments, std::move(edits));
    return commandLine;
}

}  // namespace

void CheckOccurrence(const cli::Occurrence& occurrence) {
    if (occurrence.option == nullptr) throw UsageError("unknown option " + occurrence.word);
    if (occurrence.valueMissing) throw UsageError("option " + occurrence.word + " needs a value");
}

Arguments CheckOptions(const cli::SplitLine& line) {
    Arguments arguments;
    for (const cli::Occurrence& occurrence : line.options) {
        CheckOccurrence(occurrence);
        const cli::Option& option = *occurrence.option;
        auto [entry, added] = arguments.options.try_emplace(std::string(option.longName));
        if (!added && !option.repeatable)
            throw UsageError("option " + std::string(option.longName) + " given twice");
        if (option.takesValue) entry->second.push_back(occurrence.value);
    }
    arguments.operands = line.operands;
    return arguments;
}

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
    if (IsConversion(words)) return ParseConversion(words);
    CommandLine commandLine{"", nullptr, CheckOptions(cli::SplitWords(words, kOptions, {kCommandGroup, kNetworkGroup})), std::nullopt};
    if (commandLine.arguments.Has("--help")) {
        commandLine.command = "--help";
        commandLine.run = RunHelp;
    } else if (commandLine.arguments.Has("--version")) {
        commandLine.command = "--version";
        commandLine.run = RunVersion;
    } else {
        const CommandRule& chosen = ChooseCommand(commandLine.arguments);
        commandLine.command = chosen.option;
        commandLine.run = chosen.run;
    }
    return commandLine;
}

const std::string& Usage() { return kUsage; }

std::string Help() {
    return kUsage + kIntro + OptionLines({kConversionGroup}, 4) + kBatchIntro + OptionLines({kBatchGroup}, 4) +
           OptionLines({kCommandGroup, kNetworkGroup}, 2) + kOutro;
}

}  // namespace convert
