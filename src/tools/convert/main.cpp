// korvane-convert: reads 3D Studio models and converts them to DirectX .x files.
//
// Exit status: 0 success; 1 when the input cannot be read (or the output not
// written), with the reader's message on standard error; 2 for a usage error.
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/TemporaryFiles.h"
#include "Arguments.h"
#include "Commands.h"
#include "ExportCommand.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage: korvane-convert --list INPUT\n"
    "       korvane-convert --remote-list ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH\n"
    "       korvane-convert --pack OUT INPUT\n"
    "       korvane-convert --unpack OUT INPUT\n"
    "       korvane-convert [OPTIONS] INPUT\n"
    "       korvane-convert [OPTIONS] [-j N] INPUT... [-o FOLDER]\n"
    "       korvane-convert -h | --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "Reads 3D Studio models (.3ds; .3da, any letter case, is unpacked first).\n"
    "\n"
    "  [OPTIONS] INPUT      convert INPUT to a DirectX .x file:\n"
    "    -o, --output FILE    target (default: INPUT with the extension .x; - for standard output)\n"
    "    -b, --binary         binary form (default: text)\n"
    "    -m, --merge          all meshes merged into one, coordinates kept\n"
    "    --mesh N             the mesh to export, counted from 0 (default 0)\n"
    "    --mesh-name NAME     the first mesh of that name\n"
    "    --origin center|min|keep   move the origin to the mesh's centre (default),\n"
    "                         to its minimum corner, or keep the coordinates\n"
    "    --no-materials       write no material list\n"
    "    --ignore-opacity     write every material opaque\n"
    "    --texcoords          a MeshTextureCoords block from the mesh's texture coordinates\n"
    "                         (v flipped to DirectX's top-left origin: 1 - v)\n"
    "    --textures           a TextureFilename in each material with a texture map\n"
    "    --normals            a MeshNormals block from the smoothing groups\n"
    "    --frames             the mesh inside a Frame named after it, with a\n"
    "                         FrameTransformMatrix from its local matrix; with -m\n"
    "                         the merged mesh stays one Mesh, without a Frame\n"
    "    --scale F            multiply every coordinate by F (positive), after --origin\n"
    "    --flip-winding       reverse every face's vertex order, and the normals with it\n"
    "    --opacity NAME=PERCENT, --power NAME=VALUE, --diffuse NAME=RRGGBB,\n"
    "    --specular NAME=RRGGBB   edit the first material of that name first\n"
    "                         (opacity 10 to 100, power 0 to 50; repeatable)\n"
    "  [OPTIONS] INPUT...   several inputs, or a folder (every .3ds/.3da below it, any\n"
    "                       letter case): each converted with OPTIONS, into FOLDER (-o) at\n"
    "                       its path below the folder given (a file given: its name), or\n"
    "                       beside its input without -o. One failure never stops the rest;\n"
    "                       every failure is listed at the end, and no partial file is left\n"
    "    -j, --jobs N         N conversions at once (default: the number of cores); on a\n"
    "                         terminal a progress line shows on standard error\n"
    "  --list INPUT         one line per mesh, then one per material, tab-separated:\n"
    "                         mesh INDEX NAME VERTICES FACES TEXCOORDS GROUPS\n"
    "                         material INDEX NAME DIFFUSE SPECULAR OPACITY POWER\n"
    "                       INPUT may be an http:// address, fetched into memory first\n"
    "  --remote-list ADDR   log in (anonymous without USER), change to PATH and list it,\n"
    "                       one line per entry: NAME SIZE-or-<DIR> DATE KIND, tab-separated\n"
    "                       In both listings a field's tab, line feed, carriage return and\n"
    "                       backslash are written \\t, \\n, \\r and \\\\, other control\n"
    "                       characters \\xNN (hexadecimal); other bytes as they are\n"
    "  --max-time SECONDS   with --list or --remote-list: give up when the whole network\n"
    "                       exchange takes longer than this, however steadily the server\n"
    "                       sends (a number above 0, fractions allowed, at most 604800)\n"
    "  --pack OUT INPUT     write INPUT packed as a .3da file\n"
    "  --unpack OUT INPUT   write the unpacked bytes of the .3da file INPUT\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Exit status: 0 success, 1 the input cannot be read or the output (standard output\n"
    "included) not written (in a batch: any input failed), 2 usage error.\n";

struct Command {
    const char* option;
    int (*run)(const convert::Arguments&, std::ostream&);
    bool takesMaxTime;
};

// A mode is chosen by exactly one of these options.
const Command kCommands[] = {
    {"--list", convert::RunList, true},
    {"--remote-list", convert::RunRemoteList, true},
    {"--pack", convert::RunPack, false},
    {"--unpack", convert::RunUnpack, false},
};

const std::vector<convert::OptionDef> kOptions = {
    {"--help", "-h", false},
    {"--version", "", false},
    {"--list", "", false},
    {"--remote-list", "", false},
    {"--pack", "", false},
    {"--unpack", "", false},
    {"--max-time", "", true},
};

const Command& ChooseCommand(const convert::Arguments& arguments) {
    const Command* chosen = nullptr;
    for (const Command& command : kCommands) {
        if (!arguments.Has(command.option)) continue;
        if (chosen != nullptr) throw convert::UsageError("choose one of --list, --remote-list, --pack and --unpack");
        chosen = &command;
    }
    if (chosen == nullptr) throw convert::UsageError("no command given");
    if (arguments.Has("--max-time") && !chosen->takesMaxTime) {
        throw convert::UsageError("--max-time goes with --list or --remote-list");
    }
    return *chosen;
}

// Reader messages join their lines with a carriage return; a terminal wants newlines.
std::string MessageLines(std::string message) {
    for (char& c : message) {
        if (c == '\r') c = '\n';
    }
    return message;
}

// Without any of the mode options the command line asks for a conversion.
// The value of an export option (a mesh named "--list") never chooses a mode.
bool IsExportCommand(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--") break;
        if (convert::FindOption(kOptions, words[i]) != nullptr) return false;
        if (convert::IsExportValueOption(words[i])) ++i;
    }
    return !words.empty();
}

// What was printed must reach standard output whole: a full device is a failure.
void FlushStandardOutput() {
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        throw base::EWriteError("standard output", errno != 0 ? errno : EIO);
}

int Run(const std::vector<std::string>& words) {
    if (IsExportCommand(words)) return convert::RunExport(words, std::cout);
    const convert::Arguments arguments = convert::ParseArguments(words, kOptions);
    if (arguments.Has("--help")) {
        std::cout << kUsage << kHelp;
        return kExitSuccess;
    }
    if (arguments.Has("--version")) {
        std::cout << "korvane-convert " KORVANE_VERSION "\n";
        return kExitSuccess;
    }
    return ChooseCommand(arguments).run(arguments, std::cout);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    try {
        base::RemoveTemporaryFilesOnSignals();
        const int status = Run(words);
        FlushStandardOutput();
        return status;
    } catch (const convert::UsageError& error) {
        std::cerr << "korvane-convert: " << error.what() << "\n" << kUsage;
        return kExitUsage;
    } catch (const base::EStreamError& error) {
        // The documented text alone does not say which file, or why.
        std::cerr << MessageLines(error.what()) << (error.Detail().empty() ? "" : ": " + error.Detail()) << "\n";
        return kExitFailure;
    } catch (const base::Exception& error) {
        std::cerr << MessageLines(error.what()) << "\n";
        return kExitFailure;
    }
}
