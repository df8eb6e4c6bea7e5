#include "convert/ExportCommand.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <unistd.h>

#include "app/MaterialRules.h"
#include "base/AsciiCase.h"
#include "base/Format.h"
#include "base/Stream.h"
#include "convert/ConvertOptions.h"
#include "convert/MaxTime.h"
#include "convert/OpenModel.h"
#include "convert/RemoteInput.h"
#include "convert/TabSeparated.h"
#include "model3ds/MaterialColor.h"
#include "model3ds/File3DS.h"
#include "batch/BatchRun.h"
#include "base/SameFile.h"
#include "gltfexport/GltfTextures.h"
#include "gltfexport/GltfWriter.h"
#include "xexport/ExportPreparation.h"
#include "xexport/ModelScene.h"
#include "xexport/WriteModelX.h"

namespace convert {

namespace {

EditKind KindOf(std::string_view option) {
    if (option == "--opacity") return EditKind::Opacity;
    if (option == "--power") return EditKind::Power;
    if (option == "--diffuse") return EditKind::Diffuse;
    return EditKind::Specular;
}

std::optional<long long> ParseInteger(const std::string& text, int base = 10) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return value;
}

int ParseWholeNumber(const std::string& option, const std::string& text) {
    const auto value = ParseInteger(text);
    if (!value || *value < -1000000 || *value > 1000000) throw UsageError(option + " needs a whole number, not " + text);
    return static_cast<int>(*value);
}

// The material panel's bounds: a value outside them is refused, not clamped.
int ParseEditValue(std::string_view option, EditKind kind, const std::string& text) {
    const bool opacity = kind == EditKind::Opacity;
    const int low = opacity ? model3ds::kMinOpacityPercent : model3ds::kMinSpecularPower;
    const int high = opacity ? model3ds::kMaxOpacityPercent : model3ds::kMaxSpecularPower;
    const auto value = ParseInteger(text);
    if (!value || *value < low || *value > high) {
        throw UsageError(base::Format("%s takes a whole number from %d to %d, not %s", std::string(option).c_str(),
                                      low, high, text.c_str()));
    }
    return static_cast<int>(*value);
}

// RRGGBB, as colours are usually written, to red + green * 256 + blue * 65536.
std::uint32_t ParseColour(const std::string& text) {
    const bool sixHexDigits = text.size() == 6 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isxdigit(c) != 0;
    });
    if (!sixHexDigits) throw UsageError("a colour is six hexadecimal digits RRGGBB, not " + text);
    const auto rrggbb = static_cast<std::uint32_t>(*ParseInteger(text, 16));
    return (rrggbb >> 16) | (rrggbb & 0x00FF00) | (rrggbb & 0xFF) << 16;
}

// A positive, finite factor that stays finite as a 32-bit float.
float ParseScale(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    const bool ok = !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value) &&
                    value > 0 && std::isfinite(static_cast<float>(value)) && static_cast<float>(value) > 0;
    if (!ok) throw UsageError("--scale takes a positive, finite number, not " + text);
    return static_cast<float>(value);
}

xexport::TOriginMode ParseOrigin(const std::string& text) {
    if (text == "center") return xexport::TOriginMode::EncodeZeroCenter;
    if (text == "min") return xexport::TOriginMode::EncodeZeroLeft;
    if (text == "keep") return xexport::TOriginMode::NotEncode;
    throw UsageError("--origin takes center, min or keep, not " + text);
}

const char* Extension(OutputFormat format) {
    switch (format) {
    case OutputFormat::Glb: return ".glb";
    case OutputFormat::Gltf: return ".gltf";
    default: return ".x";
    }
}

OutputFormat ParseFormat(const std::string& text) {
    if (text == "x") return OutputFormat::X;
    if (text == "glb") return OutputFormat::Glb;
    if (text == "gltf") return OutputFormat::Gltf;
    throw UsageError("--format takes x, glb or gltf, not " + text);
}

// The format an output's name asks for, by its extension in any letter case; none
// for a name without one (standard output, a device, a folder).
std::optional<OutputFormat> FormatOfName(const std::string& output) {
    const std::string extension = base::LowerAscii(std::filesystem::path(output).extension().string());
    if (extension.empty() || extension == ".") return std::nullopt;
    for (const OutputFormat format : {OutputFormat::X, OutputFormat::Glb, OutputFormat::Gltf}) {
        if (extension == Extension(format)) return format;
    }
    throw UsageError("korvane-convert writes .x, .glb or .gltf files, not " + output);
}

// INPUT with its extension replaced by the format's; for an address, its file
// name in the current folder, since an address is no place to write to.
std::string DefaultOutput(const std::string& input, OutputFormat format) {
    std::filesystem::path path(input);
    if (IsHttpAddress(input)) path = AddressFileName(input);
    if (path.empty()) path = "model";
    return path.replace_extension(Extension(format)).string();
}

// The output's format from its name, which has to agree with --format when both are given.
void ChooseFormat(const Arguments& arguments, ExportRequest& request) {
    if (arguments.Has("--format")) request.format = ParseFormat(arguments.Value("--format"));
    if (request.batch) return;
    const std::optional<OutputFormat> named = request.output == "-" ? std::nullopt : FormatOfName(request.output);
    if (named && arguments.Has("--format") && *named != request.format)
        throw UsageError("--format " + arguments.Value("--format") + " does not go with the output " + request.output);
    if (named) request.format = *named;
    if (request.format == OutputFormat::Gltf && request.output == "-")
        throw UsageError("a .gltf has files beside it, so it cannot go to standard output; use --format glb");
}

// glTF holds the whole scene as it is: only the material edits change it.
void CheckGltfOptions(const Arguments& arguments, const ExportRequest& request) {
    if (request.format == OutputFormat::X) return;
    for (const char* option : {"--binary", "--merge", "--mesh", "--mesh-name", "--origin", "--no-materials",
                               "--ignore-opacity", "--texcoords", "--textures", "--normals", "--frames",
                               "--hierarchy", "--top-frame", "--scale", "--flip-winding"}) {
        if (arguments.Has(option))
            throw UsageError(std::string(option) + " is for .x output; glTF always holds the whole scene");
    }
}

// The folders of --texture-path, each one that exists: a .x file keeps its texture names as stored.
std::vector<std::string> ParseTexturePaths(const Arguments& arguments, OutputFormat format) {
    if (!arguments.Has("--texture-path")) return {};
    if (format == OutputFormat::X)
        throw UsageError("--texture-path is for glTF output; a .x file keeps its texture names as stored");
    const std::vector<std::string>& folders = arguments.options.find("--texture-path")->second;
    for (const std::string& folder : folders) {
        std::error_code ignored;
        if (!std::filesystem::is_directory(folder, ignored))
            throw UsageError("--texture-path " + folder + " is not a folder");
    }
    return folders;
}

// --hierarchy and what goes with it. The scene holds every mesh at the keyframer's
// place, so the choices of one mesh or of a merge do not go with it.
void ParseSceneOptions(const Arguments& arguments, ExportRequest& request) {
    request.options.Animation = arguments.Has("--animation");
    request.options.Hierarchy = arguments.Has("--hierarchy") || request.options.Animation;
    request.options.TopFrame = arguments.Has("--top-frame");
    if (request.options.TopFrame && !request.options.Hierarchy)
        throw UsageError("--top-frame goes with --hierarchy or --animation");
    if (!request.options.Hierarchy) return;
    for (const char* option : {"--merge", "--mesh", "--mesh-name", "--origin", "--frames"}) {
        if (arguments.Has(option))
            throw UsageError(std::string("--hierarchy writes every mesh where the keyframer puts it; ") + option +
                             " does not go with it");
    }
    request.options.SceneName = request.input;
}

}  // namespace

std::vector<MaterialEdit> ReadMaterialEdits(const cli::SplitLine& line) {
    std::vector<MaterialEdit> edits;
    for (const cli::Occurrence& occurrence : line.options) {
        // The material edits are the conversion's repeatable options but for the texture folders.
        if (occurrence.option == nullptr || !occurrence.option->repeatable ||
            occurrence.option->longName == "--texture-path")
            continue;
        CheckOccurrence(occurrence);
        const std::string_view option = occurrence.option->longName;
        const EditKind kind = KindOf(option);
        const std::string& assignment = occurrence.value;
        const std::size_t equals = assignment.rfind('=');
        if (equals == std::string::npos)
            throw UsageError("option " + std::string(option) + " takes NAME=VALUE, not " + assignment);
        const std::string text = assignment.substr(equals + 1);
        const bool colour = kind == EditKind::Diffuse || kind == EditKind::Specular;
        const long long value = colour ? static_cast<long long>(ParseColour(text)) : ParseEditValue(option, kind, text);
        edits.push_back({kind, assignment.substr(0, equals), value});
    }
    return edits;
}

ExportRequest ParseExportRequest(const Arguments& arguments, std::vector<MaterialEdit> edits) {
    ExportRequest request;
    request.edits = std::move(edits);
    if (arguments.operands.empty()) throw UsageError("give an INPUT to convert");
    request.inputs = arguments.operands;
    for (std::size_t i = 1; i < request.inputs.size(); ++i) {
        const auto same = std::find(request.inputs.begin(), request.inputs.begin() + static_cast<long>(i), request.inputs[i]);
        if (same != request.inputs.begin() + static_cast<long>(i)) throw UsageError("INPUT " + request.inputs[i] + " given twice");
    }
    request.input = arguments.operands[0];
    std::error_code ignored;
    request.batch = request.inputs.size() > 1 ||
                    (!IsHttpAddress(request.input) && std::filesystem::is_directory(request.input, ignored));
    if (request.batch) {
        if (arguments.Has("--output")) request.outputFolder = arguments.Value("--output");
        if (request.outputFolder && (request.outputFolder->empty() || *request.outputFolder == "-"))
            throw UsageError("with several inputs or a folder, --output names a folder");
    } else {
        if (arguments.Has("--output")) request.output = arguments.Value("--output");
        if (arguments.Has("--output") && request.output.empty())
            throw UsageError("--output needs a file name, or - for standard output");
    }
    ChooseFormat(arguments, request);
    if (!request.batch && !arguments.Has("--output")) request.output = DefaultOutput(request.input, request.format);
    CheckGltfOptions(arguments, request);
    request.texturePaths = ParseTexturePaths(arguments, request.format);
    const unsigned cores = std::thread::hardware_concurrency();
    request.jobs = cores == 0 ? 1 : static_cast<int>(std::min(cores, 256u));
    if (arguments.Has("--jobs")) {
        const auto jobs = ParseInteger(arguments.Value("--jobs"));
        if (!jobs || *jobs < 1 || *jobs > 256)
            throw UsageError("--jobs takes a whole number from 1 to 256, not " + arguments.Value("--jobs"));
        request.jobs = static_cast<int>(*jobs);
    }
    request.binary = arguments.Has("--binary");
    request.fileOpacity = arguments.Has("--file-opacity");
    if (arguments.Has("--mesh") && arguments.Has("--mesh-name")) throw UsageError("give --mesh or --mesh-name, not both");
    if (arguments.Has("--merge") && (arguments.Has("--mesh") || arguments.Has("--mesh-name")))
        throw UsageError("--merge exports every mesh; --mesh and --mesh-name do not go with it");
    // A command line has no selection: without a choice of mesh the whole model is written.
    request.merge = !arguments.Has("--mesh") && !arguments.Has("--mesh-name");
    if (arguments.Has("--mesh")) {
        request.meshIndex = ParseWholeNumber("--mesh", arguments.Value("--mesh"));
        if (*request.meshIndex < 0) throw UsageError("--mesh counts from 0");
    }
    if (arguments.Has("--mesh-name")) request.meshName = arguments.Value("--mesh-name");
    if (arguments.Has("--origin")) request.options.Origin = ParseOrigin(arguments.Value("--origin"));
    // Merging keeps the coordinates, as checking "全メッシュを合成する" selects "頂点座標を変換しない".
    if (request.merge) request.options.Origin = xexport::TOriginMode::NotEncode;
    request.options.SaveMaterial = !arguments.Has("--no-materials");
    request.options.SetTranse = !arguments.Has("--ignore-opacity");
    request.options.TexCoords = arguments.Has("--texcoords");
    request.options.Textures = arguments.Has("--textures");
    request.options.Normals = arguments.Has("--normals");
    request.options.Frames = arguments.Has("--frames");
    request.options.FlipWinding = arguments.Has("--flip-winding");
    if (arguments.Has("--scale")) request.options.Scale = ParseScale(arguments.Value("--scale"));
    request.maxTime = MaxTimeFromArguments(arguments);
    ParseSceneOptions(arguments, request);
    return request;
}

namespace {

model3ds::TMaterial3DS& EditedMaterial(model3ds::TFile3DS& model, const std::string& name) {
    model3ds::TMaterial3DS* material = model3ds::FindMaterial(model, name);
    if (material == nullptr)
        throw base::Exception(base::Format("the model has no material named \"%s\"", name.c_str()));
    return *material;
}

// The file's own opacities first, so that an edit of a material has the last word.
void ApplyEdits(model3ds::TFile3DS& model, const ExportRequest& request) {
    if (request.fileOpacity) {
        auto& materials = model.MaterialList();
        for (int i = 0; i < materials.MaterialTotal(); ++i) app::TakeFileOpacity(*materials.GetMaterial(i));
    }
    for (const MaterialEdit& edit : request.edits) {
        model3ds::TMaterial3DS& material = EditedMaterial(model, edit.name);
        switch (edit.kind) {
        case EditKind::Opacity:
            app::SetMaterialOpacity(material, static_cast<int>(edit.value));
            break;
        case EditKind::Power:
            app::SetMaterialPower(material, static_cast<int>(edit.value));
            break;
        case EditKind::Diffuse:
            material.Diffuse = model3ds::RGBToMaterialColor(static_cast<std::uint32_t>(edit.value));
            break;
        case EditKind::Specular:
            material.Specular = model3ds::RGBToMaterialColor(static_cast<std::uint32_t>(edit.value));
            break;
        }
    }
}

int FindMesh(model3ds::TFile3DS& model, const ExportRequest& request) {
    if (request.meshName) {
        const int index = model3ds::FindMeshIndex(model, *request.meshName);
        if (index >= 0) return index;
        throw base::Exception(base::Format("the model has no mesh named \"%s\"", request.meshName->c_str()));
    }
    const int index = *request.meshIndex;
    const int total = model.ObjectList().MeshTotal();
    if (index >= total) throw base::Exception(base::Format("the model has no mesh %d; it has %d", index, total));
    return index;
}

// The writers skip a mesh without vertices silently, and a Mesh without faces is
// a file readers refuse; here both are failures.
int ResolveMesh(model3ds::TFile3DS& model, const ExportRequest& request) {
    const int index = FindMesh(model, request);
    const std::string name = EscapeField(model.ObjectList().GetMesh(index)->Name);
    switch (xexport::ExportRefusal(model, index, false)) {
    case xexport::TExportRefusal::NoVertices:
        throw base::Exception(base::Format("nothing to export: mesh %d (\"%s\") has no vertices", index, name.c_str()));
    case xexport::TExportRefusal::NoFaces:
        throw base::Exception(base::Format("nothing to export: mesh %d (\"%s\") has no faces", index, name.c_str()));
    default:
        return index;
    }
}

void CheckMergedHasFaces(model3ds::TFile3DS& model, const ExportRequest& request) {
    if (xexport::ExportRefusal(model, -1, true) == xexport::TExportRefusal::NoMeshWithFaces)
        throw base::Exception("nothing to export: no mesh of " + request.input + " has faces");
}

// Standard output gets the bytes from memory; a file is written by the writer
// itself. write(fileName, stream) is one of the .x writers.
template <typename WriteX>
void Deliver(const ExportRequest& request, std::ostream& out, WriteX write) {
    const bool toStdout = request.output == "-";
    base::MemoryStream stream;
    write(toStdout ? std::string() : request.output, toStdout ? &stream : nullptr);
    if (toStdout) {
        out.write(reinterpret_cast<const char*>(stream.Bytes().data()), static_cast<std::streamsize>(stream.Size()));
        out.flush();
        if (!out) throw base::EWriteError("standard output", errno != 0 ? errno : EIO);
    }
}

xexport::TXForm Form(const ExportRequest& request) {
    return request.binary ? xexport::TXForm::Binary : xexport::TXForm::Text;
}

void Write(model3ds::TFile3DS& model, const ExportRequest& request, int meshIndex, std::ostream& out) {
    Deliver(request, out, [&](const std::string& fileName, base::Stream* stream) {
        xexport::WriteModelX(model, request.options, meshIndex, Form(request), fileName, stream);
    });
}

// Once for each exported mesh that holds NaN or infinite coordinates, which the
// writers write as 0.
void WarnNonFiniteCoordinates(const std::vector<const model3ds::TMesh3DS*>& meshes, std::ostream& warnings) {
    for (const model3ds::TMesh3DS* mesh : meshes) {
        const std::size_t count = xexport::CountNonFiniteCoordinates(*mesh);
        if (count == 0) continue;
        warnings << "korvane-convert: warning: mesh \"" << EscapeField(mesh->Name) << "\": " << count
                  << (count == 1 ? " coordinate is" : " coordinates are") << " not a finite number; written as 0\n";
    }
}

// The keyframer's scene of every mesh, with the keyframer's complaints as warnings.
void ConvertScene(model3ds::TFile3DS& model, const ExportRequest& request, std::ostream& out, std::ostream& warnings) {
    CheckMergedHasFaces(model, request);
    WarnNonFiniteCoordinates(xexport::CollectMeshes(model).Meshes, warnings);
    const xexport::TModelScene scene = xexport::BuildModelScene(model, xexport::SceneRequest(model, request.options));
    for (const std::string& line : scene.Warnings) warnings << "korvane-convert: warning: " << EscapeField(line) << "\n";
    Deliver(request, out, [&](const std::string& fileName, base::Stream* stream) {
        xexport::WriteSceneX(model, scene, request.options, Form(request), fileName, stream);
    });
}

// The warnings and notes of a model's texture source name the texture and the model.
gltfexport::TTextureTexts TextureTexts(const std::string& modelFile) {
    const auto warning = [modelFile](const std::string& name, gltfexport::TTextureProblem problem) {
        const char* why = problem == gltfexport::TTextureProblem::NotInFolder  ? "is not in the model's folder"
                          : problem == gltfexport::TTextureProblem::CannotOpen ? "cannot be opened"
                          : problem == gltfexport::TTextureProblem::TooLarge   ? "is larger than an image may be (256 MB)"
                                                                               : "is not an image that can be read";
        return "texture \"" + name + "\" of " + modelFile + " " + why + "; the material keeps its colour";
    };
    const auto note = [modelFile](const std::string& name, const std::string& used) {
        return "texture " + name + " of " + modelFile + ": using " + used;
    };
    return {warning, note};
}

// The model's glTF, the files beside a .gltf first; none of them may be a file read.
void ConvertGltf(model3ds::TFile3DS& model, const ExportRequest& request, std::ostream& out, std::ostream& warnings) {
    CheckMergedHasFaces(model, request);
    WarnNonFiniteCoordinates(xexport::CollectMeshes(model).Meshes, warnings);
    for (const std::string& line : xexport::SceneWarnings(model))
        warnings << "korvane-convert: warning: " << EscapeField(line) << "\n";
    gltfexport::TGltfRequest gltf;
    gltf.Form = request.format == OutputFormat::Glb ? gltfexport::TGltfForm::Binary : gltfexport::TGltfForm::Text;
    gltf.ModelFile = request.input;
    gltf.Generator = "Korvane " KORVANE_VERSION;
    for (const MaterialEdit& edit : request.edits) {
        if (edit.kind == EditKind::Opacity) gltf.EditedOpacity.insert(edit.name);
    }
    if (!IsHttpAddress(request.input))
        gltf.Textures = gltfexport::GltfTextureSource(request.input, request.texturePaths, TextureTexts(request.input));
    const bool toStdout = request.output == "-";
    const gltfexport::TGltfFiles files = gltfexport::BuildGltf(model, gltf, toStdout ? "model.glb" : request.output);
    for (const std::string& line : files.Warnings)
        warnings << "korvane-convert: warning: " << EscapeField(line) << "\n";
    if (toStdout) {
        out.write(reinterpret_cast<const char*>(files.Main.data()), static_cast<std::streamsize>(files.Main.size()));
        out.flush();
        if (!out) throw base::EWriteError("standard output", errno != 0 ? errno : EIO);
        return;
    }
    gltfexport::WriteGltfFiles(files, request.output, IsHttpAddress(request.input) ? std::string() : request.input);
}

void ConvertModel(const ExportRequest& request, std::ostream& out, std::ostream& warnings) {
    model3ds::TFile3DS model;
    OpenModelFile(model, request.input, model3ds::TModelNeeds::Meshes, DeadlineAfter(request.maxTime));
    ApplyEdits(model, request);
    if (request.format != OutputFormat::X) {
        ConvertGltf(model, request, out, warnings);
        return;
    }
    if (request.options.Hierarchy) {
        ConvertScene(model, request, out, warnings);
        return;
    }
    if (request.merge) CheckMergedHasFaces(model, request);
    const int meshIndex = request.merge ? xexport::kMergedMeshes : ResolveMesh(model, request);
    using Meshes = std::vector<const model3ds::TMesh3DS*>;
    WarnNonFiniteCoordinates(request.merge ? xexport::CollectMeshes(model).Meshes
                                           : Meshes{model.ObjectList().GetMesh(meshIndex)},
                             warnings);
    Write(model, request, meshIndex, out);
}

base::Exception OutOfMemory(const std::string& input) {
    return base::Exception("out of memory; nothing written", {}, {input, "", {}});
}

// One input to one output. Running out of memory (or asking for an array past
// any memory) fails this input alone: what was built for it is freed as the
// failure unwinds, and the output is written whole or not at all.
void Convert(const ExportRequest& request, std::ostream& out, std::ostream& warnings) {
    try {
        ConvertModel(request, out, warnings);
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(request.input);
    } catch (const std::length_error&) {
        throw OutOfMemory(request.input);
    }
}

int RunBatchExport(const ExportRequest& request) {
    batch::ModelKinds kinds{{model3ds::TFileKind::Model3DS, model3ds::TFileKind::PackedModel3DS},
                            Extension(request.format),
                            "no .3ds or .3da file in this folder",
                            {}};
    kinds.remoteName = [](const std::string& input) -> std::optional<std::string> {
        if (!IsHttpAddress(input)) return std::nullopt;
        return AddressFileName(input).empty() ? "model" : AddressFileName(input);
    };
    std::vector<batch::BatchFailure> failures;
    const std::vector<batch::BatchJob> jobs = batch::PlanBatch(request.inputs, request.outputFolder, kinds, failures);
    const auto convert = [&request](const batch::BatchJob& job, std::string& warnings) {
        ExportRequest one = request;
        one.input = job.input;
        one.output = job.output;
        std::ostringstream text;
        Convert(one, text, text);
        warnings += text.str();
    };
    return batch::RunBatch(jobs, std::move(failures), request.jobs, convert, std::cerr, isatty(STDERR_FILENO) == 1,
                           "korvane-convert");
}

}  // namespace

int RunExport(const ExportRequest& request, std::ostream& out) {
    if (request.batch) return RunBatchExport(request);
    if (request.output != "-" && !IsHttpAddress(request.input))
        base::RefuseOutputsThatAreInputs({request.output}, {request.input});
    Convert(request, out, std::cerr);
    return 0;
}

}  // namespace convert
