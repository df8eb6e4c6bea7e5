// korvane-render: draws a model with the viewer's own scene into a PNG file, or
// many models into a folder of them.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <stdexcept>
#include <thread>

#include <unistd.h>

#include "DrawQueue.h"
#include "Limits.h"
#include "ModelInput.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "base/TemporaryFiles.h"
#include "RenderOptions.h"
#include "batch/BatchRun.h"
#include "batch/SameFile.h"
#include "viewer/HeadlessGL.h"
#include "viewer/OffscreenRenderer.h"
#include "viewer/ViewerControls.h"
#include "viewer/ViewerScene.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "korvane-render: %s\n", message.c_str());
    return 1;
}

void Configure(viewer::ViewerScene& scene, const render::RenderOptions& options) {
    scene.MeshBuilder->SetQuality(options.quality);
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

// With no X display to draw through, OpenGL runs on Mesa without any window
// system. Call it before the application exists.
void ChoosePlatform() {
    if (!viewer::CanOpenDisplay()) viewer::SelectHeadlessPlatform();
}

int Supersampling(const render::RenderOptions& options) {
    return render::PictureSupersampling(options.width, options.height, options.fit);
}

QImage DrawPicture(viewer::OffscreenRenderer& renderer, viewer::ViewerScene& scene,
                   const render::RenderOptions& options) {
    const QImage picture = renderer.Render(scene, options.width, options.height, Supersampling(options));
    // The buffers are the one large allocation that OpenGL refuses without an exception.
    if (picture.isNull())
        throw std::runtime_error("cannot draw a picture of " + std::to_string(options.width) + "x" +
                                 std::to_string(options.height) + " within the memory limit of " +
                                 std::to_string(options.memoryMegabytes) + " MB (--memory)");
    return picture;
}

QByteArray EncodePng(const QImage& picture) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) throw std::runtime_error("cannot draw or encode the picture");
    return png;
}

// The picture of the scene, encoded as PNG.
QByteArray DrawPng(viewer::ViewerScene& scene, const render::RenderOptions& options, int argc, char** argv) {
    ChoosePlatform();
    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) throw std::runtime_error("OpenGL 3.3 core is not available");
    return EncodePng(DrawPicture(renderer, scene, options));
}

int RenderOne(const render::RenderOptions& options, int argc, char** argv) {
    render::LimitRunTime(static_cast<unsigned>(options.timeOutSeconds));
    render::CheckPictureMemory(options.width, options.height, Supersampling(options), options.memoryMegabytes);
    render::LimitMemory(static_cast<std::size_t>(options.memoryMegabytes));
    if (batch::SameFile(options.input, options.output))
        return Fail("the output " + options.output + " is the input file itself; nothing written");
    viewer::ViewerScene scene;
    render::LoadModelFile(scene, options.input);
    Configure(scene, options);
    const QByteArray png = DrawPng(scene, options, argc, argv);
    // Through a temporary file: a failed write leaves an existing picture whole.
    render::HoldTimeOut();
    base::WriteFileAtomically(options.output, png.constData(), static_cast<std::size_t>(png.size()));
    return 0;
}

// Every model of the inputs into the output folder, with one application and
// one OpenGL context: the batch's threads read the models and encode the
// pictures, and this thread, which owns the context, draws them.
int RenderFolder(const render::RenderOptions& options, int argc, char** argv) {
    if (options.timeOutGiven) render::LimitRunTime(static_cast<unsigned>(options.timeOutSeconds));
    if (options.memoryGiven) {
        render::CheckPictureMemory(options.width, options.height, Supersampling(options), options.memoryMegabytes);
        render::LimitMemory(static_cast<std::size_t>(options.memoryMegabytes));
    }
    const batch::ModelKinds kinds{
        {".x", ".xa", ".3ds", ".3da"}, ".png", "no .x, .xa, .3ds or .3da file in this folder", {}};
    std::vector<batch::BatchFailure> failures;
    const std::vector<batch::BatchJob> jobs = batch::PlanBatch(options.inputs, options.outputFolder, kinds, failures);
    ChoosePlatform();
    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) throw std::runtime_error("OpenGL 3.3 core is not available");
    render::DrawQueue queue;
    const auto draw = [&](const batch::BatchJob& job, std::string&) {
        viewer::ViewerScene scene;
        render::LoadModelFile(scene, job.input);
        Configure(scene, options);
        const QImage picture = queue.Draw([&] { return DrawPicture(renderer, scene, options); });
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

}  // namespace

int main(int argc, char** argv) {
    render::RenderOptions options;
    try {
        options = render::ParseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "korvane-render: %s\n%s", error.what(), render::RenderUsage);
        return 2;
    }
    if (options.help) return std::fputs(render::RenderUsage, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    if (options.version) return std::puts("korvane-render " KORVANE_VERSION) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
    try {
        base::RemoveTemporaryFilesOnSignals();
        return options.outputFolder ? RenderFolder(options, argc, argv) : RenderOne(options, argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail("out of memory (the limit is " + std::to_string(options.memoryMegabytes) + " MB)");
    } catch (const base::EStreamError& error) {
        return Fail(error.what() + (error.Detail().empty() ? std::string() : ": " + error.Detail()));
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
