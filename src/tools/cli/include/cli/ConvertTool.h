#pragma once
// korvane-convert: reads 3D Studio models and converts them to DirectX .x files,
// lists models and remote folders, packs and unpacks .3da files.
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/OptionTable.h"
#include "xexport/ExportPreparation.h"

namespace convert {

using cli::Arguments;
using cli::UsageError;

// How long the network exchange of one input may take in all (--max-time),
// however steadily the server sends: its silence alone is bounded by a time-out.
using MaxTime = std::chrono::duration<double>;
// Without --max-time: five minutes, ample for a model, and an end for a server
// that sends a byte now and then.
constexpr MaxTime kDefaultMaxTime{300};

enum class EditKind { Opacity, Power, Diffuse, Specular };

// --opacity, --power, --diffuse, --specular NAME=VALUE.
struct MaterialEdit {
    EditKind kind;
    std::string name;
    long long value;  // percent or power, or a packed colour red + green * 256 + blue * 65536
};

// What a conversion writes: DirectX .x, or glTF 2.0 in one file or with files beside.
enum class OutputFormat { X, Glb, Gltf };

// A conversion as the command line asks for it.
struct ExportRequest {
    std::string input;
    std::string output;
    // Batch mode: several inputs, or a folder; results into outputFolder or beside the inputs.
    bool batch = false;
    std::vector<std::string> inputs;
    std::optional<std::string> outputFolder;
    int jobs = 1;
    bool binary = false;
    OutputFormat format = OutputFormat::X;
    // Every mesh merged into one: asked for with --merge, and so without a choice of mesh.
    bool merge = false;
    bool fileOpacity = false;  // each material's opacity from its transparency in the file
    std::optional<int> meshIndex;
    std::optional<std::string> meshName;
    xexport::TExportOptions options;
    std::vector<MaterialEdit> edits;
    // Looked in first for a glTF's texture images (--texture-path), in order.
    std::vector<std::string> texturePaths;
    // For each http:// input, counted from the start of its conversion.
    MaxTime maxTime = kDefaultMaxTime;
};

// Writes its results to out and returns the exit status; raises on failure.
using RunCommand = int (*)(const Arguments& arguments, std::ostream& out);

struct CommandLine {
    // The option that chose the command ("--list", "--help"...) and how it runs;
    // empty and null for a conversion.
    std::string command;
    RunCommand run = nullptr;
    Arguments arguments;
    std::optional<ExportRequest> request;  // for a conversion
};

// The words after the program name, checked. Raises UsageError with the text the
// tool prints above its usage.
CommandLine ParseCommandLine(const std::vector<std::string>& words);

// The usage lines printed after a usage error.
const std::string& Usage();
// What --help prints: the usage lines and a line per option.
std::string Help();

// Runs the command of the words and returns the exit status (0, or 1 when a batch
// had failures), standard output written whole. Usage errors are raised as
// UsageError, read and write errors as base::Exception.
int RunConvertTool(const std::vector<std::string>& words);

// Prints message to standard error after the tool's name, as the tool prints
// every message: a message may hold what a file or a server sent, so each of its
// lines is escaped (base::EscapeLines).
void PrintMessage(const std::string& message);

}  // namespace convert
