#include "cli/RenderTool.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

#include "base/Errors.h"
#include "base/Stream.h"
#include "base/TemporaryFiles.h"
#include "cli/RenderOptions.h"
#include "render/DrawQueue.h"
#include "render/Limits.h"
#include "render/ModelInput.h"
#include "batch/BatchRun.h"
#include "base/SameFile.h"
#include "viewer/HeadlessGL.h"
#include "viewer/OffscreenRenderer.h"
#include "viewer/ViewerControls.h"
#include "viewer/ViewerScene.h"

namespace render {

namespace {

void Configure(viewer::ViewerScene& scene, const RenderOptions& options) {
    scene.MeshBuilder->SetQuality(options.quality);
    scene.MeshBuilder->SetTexturePaths(options.texturePaths);
    scene.MeshBuilder->SetTime(options.time);
    if (options.background) {
        const std::uint32_t rgb = *options.background;
        scene.GetScene().SetSceneBackgroundRGB(static_cast<float>(rgb >> 16 & 0xFF) / 255.0f,
                                               static_cast<float>(rgb >> 8 & 0xFF) / 255.0f,
                                               static_cast<float>(rgb & 0xFF) / 255.0f);
    }
    scene.GetDevice().transparentBackground = options.transparent;
    // A fitted picture is a thumbnail: seen from the diagonal, so that a flat
    // model is never edge-on, and from either side of its faces.
    if (options.fit) {
        viewer::TurnToThreeQuarterView(scene);
        scene.GetDevice().twoSided = true;
    }
    // --turn gives the mouse's movement in window pixels, y downwards; the
    // drag counts y upwards.
    viewer::TurnModel(scene, options.turnX, -options.turnY);
    if (options.fit) viewer::FitCameraToModel(scene, options.width, options.height);
}

// Qt's messages about the platform ("Running on a software rasterizer") are
// noise to a user who asked for a picture; the tool reports its own failures.
void DropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// With no X display to draw through, or one that fails as the application
// opens it, OpenGL runs on Mesa without any window system. Call it before the
// application exists.
void ChoosePlatform(const RenderOptions& options) {
    if (!options.verbose) qInstallMessageHandler(DropMessage);
    if (viewer::CanOpenDisplay()) {
        viewer::AllowHeadlessFallback();
    } else {
        viewer::SelectHeadlessPlatform();
    }
}

// The share of the memory limit that a model may not take while it loads:
// drawing it needs the room.
constexpr std::size_t DrawingShare = 4;

int Supersampling(const RenderOptions& options) {
    return PictureSupersampling(options.width, options.height, options.fit);
}

// The limit in force may be lower than --memory asks, set from outside.
void CheckMemoryForPicture(const RenderOptions& options) {
    if (const std::optional<int> limit = MemoryLimit())
        CheckPictureMemory(options.width, options.height, Supersampling(options), *limit);
}

QImage DrawPicture(viewer::OffscreenRenderer& renderer, viewer::ViewerScene& scene,
                   const RenderOptions& options) {
    const QImage picture = renderer.Render(scene, options.width, options.height, Supersampling(options));
    // The buffers are the one large allocation that OpenGL refuses without an exception.
    if (picture.isNull())
        throw base::Exception("cannot draw a picture of " + std::to_string(options.width) + "x" +
                                 std::to_string(options.height) + " within the memory limit of " +
                                 std::to_string(options.memoryMegabytes) + " MB (--memory)");
    return picture;
}

QByteArray EncodePng(const QImage& picture) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) throw base::Exception("cannot draw or encode the picture");
    return png;
}

// The failure of a model that ran out of memory, with the limit in force.
std::string OutOfMemory() {
    const std::optional<int> limit = MemoryLimit();
    return limit ? "out of memory (the limit is " + std::to_string(*limit) + " MB)" : "out of memory";
}

// What work() raises, as a failure of the model at path: every message names its file.
template <typename Work>
auto AboutModel(const std::string& path, const std::string& outOfMemory, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw base::Exception(outOfMemory, {}, {path, "", {}});
    } catch (const base::Exception& error) {
        if (!error.Detail().file.empty()) throw;
        throw base::Exception(error.Text(), error.Values(), {path, error.Detail().text, error.Detail().values});
    } catch (const std::exception& error) {
        throw base::Exception(error.what(), {}, {path, "", {}});
    }
}

int RenderOne(const RenderOptions& options, int argc, char** argv) {
    LimitRunTime(static_cast<unsigned>(options.timeOutSeconds), options.input);
    LimitMemory(static_cast<std::size_t>(options.memoryMegabytes));
    CheckMemoryForPicture(options);
    if (base::SameFile(options.input, options.output))
        throw base::Exception("the output " + options.output + " is the input file itself; nothing written");
    // The graphics libraries first: they cannot start once a model has taken the memory.
    ChoosePlatform(options);
    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) throw base::Exception("OpenGL 3.3 core is not available");
    viewer::ViewerScene scene;
    const QByteArray png = AboutModel(options.input, OutOfMemory(), [&] {
        {
            const MemoryReserve forDrawing((static_cast<std::size_t>(MemoryLimit().value_or(0)) << 20) / DrawingShare);
            LoadModelFile(scene, options.input, options.timeGiven);
            Configure(scene, options);
        }
        return EncodePng(DrawPicture(renderer, scene, options));
    });
    // Through a temporary file: a failed write leaves an existing picture whole.
    HoldTimeOut();
    base::WriteFileAtomically(options.output, png.constData(), static_cast<std::size_t>(png.size()));
    return 0;
}

// Every model of the inputs into the output folder, with one application and
// one OpenGL context: the batch's threads read the models and encode the
// pictures, and this thread, which owns the context, draws them.
int RenderFolder(const RenderOptions& options, int argc, char** argv) {
    if (options.timeOutGiven) LimitRunTime(static_cast<unsigned>(options.timeOutSeconds), *options.outputFolder);
    if (options.memoryGiven) LimitMemory(static_cast<std::size_t>(options.memoryMegabytes));
    CheckMemoryForPicture(options);
    const batch::ModelKinds kinds{
        {model3ds::TFileKind::DirectX, model3ds::TFileKind::PackedDirectX, model3ds::TFileKind::Model3DS,
         model3ds::TFileKind::PackedModel3DS, model3ds::TFileKind::Gltf},
        ".png",
        "no .x, .xa, .3ds, .3da, .glb or .gltf file in this folder",
        {}};
    std::vector<batch::BatchFailure> failures;
    const std::vector<batch::BatchJob> jobs = batch::PlanBatch(options.inputs, options.outputFolder, kinds, failures);
    ChoosePlatform(options);
    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) throw base::Exception("OpenGL 3.3 core is not available");
    DrawQueue queue;
    const std::string outOfMemory = OutOfMemory();
    const auto draw = [&](const batch::BatchJob& job, std::string&) {
        const TimeOutSubject drawing(job.input);
        viewer::ViewerScene scene;
        const QImage picture = AboutModel(job.input, outOfMemory, [&] {
            LoadModelFile(scene, job.input, options.timeGiven);
            Configure(scene, options);
            return queue.Draw([&] { return DrawPicture(renderer, scene, options); });
        });
        const QByteArray png = EncodePng(picture);
        base::WriteFileAtomically(job.output, png.constData(), static_cast<std::size_t>(png.size()));
    };
    int status = 1;
    std::exception_ptr error;
    std::thread run([&] {
        try {
            status = batch::RunBatch(jobs, failures, options.jobs, draw, std::cerr, isatty(STDERR_FILENO) == 1,
                                     "korvane-render");
        } catch (...) {
            error = std::current_exception();  // raised again below, on the main thread
        }
        queue.Close();
    });
    queue.Serve();
    run.join();
    if (error) std::rethrow_exception(error);
    return status;
}

// Help and version on standard output; 1 when it could not take them.
int Answer(const RenderOptions& options) {
    const bool written = options.help ? std::fputs(RenderHelp().c_str(), stdout) >= 0
                                      : std::puts("korvane-render " KORVANE_VERSION) >= 0;
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int RunRenderTool(int argc, char** argv) {
    const RenderOptions options = ParseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || options.version) return Answer(options);
    try {
        base::RemoveTemporaryFilesOnSignals();
        return options.outputFolder ? RenderFolder(options, argc, argv) : RenderOne(options, argc, argv);
    } catch (const std::bad_alloc&) {
        throw base::Exception(OutOfMemory());
    }
}

}  // namespace render
