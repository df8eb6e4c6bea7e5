// korvane-render: draws a model with the viewer's own scene into a PNG file.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <stdexcept>

#include "Limits.h"
#include "ModelInput.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "RenderOptions.h"
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

void LoadModel(viewer::ViewerScene& scene, const std::string& input) {
    base::MemoryStream x = render::ReadModelAsX(input);
    const std::int32_t result = scene.LoadXFromStream(x);
    if (result != 0)
        throw std::runtime_error(input + ": cannot read the .x data (code 0x" +
                                 QString::number(static_cast<std::uint32_t>(result), 16).toStdString() + ")");
    if (!scene.MeshBuilder) throw std::runtime_error(input + ": the file is empty");
    // Texture file names are relative to the file's folder.
    scene.MeshBuilder->SetTextureFolder(std::filesystem::absolute(input).parent_path().string());
}

// The picture of the scene, encoded as PNG.
QByteArray DrawPng(viewer::ViewerScene& scene, const render::RenderOptions& options, int argc, char** argv) {
    // With no X display to draw through, OpenGL runs on Mesa without any window system.
    if (!viewer::CanOpenDisplay()) viewer::SelectHeadlessPlatform();
    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) throw std::runtime_error("OpenGL 3.3 core is not available");
    const int supersampling = render::PictureSupersampling(options.width, options.height, options.fit);
    const QImage picture = renderer.Render(scene, options.width, options.height, supersampling);
    // The buffers are the one large allocation that OpenGL refuses without an exception.
    if (picture.isNull())
        throw std::runtime_error("cannot draw a picture of " + std::to_string(options.width) + "x" +
                                 std::to_string(options.height) + " within the memory limit of " +
                                 std::to_string(options.memoryMegabytes) + " MB (--memory)");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) throw std::runtime_error("cannot draw or encode the picture");
    return png;
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
    try {
        render::LimitRunTime(static_cast<unsigned>(options.timeOutSeconds));
        render::CheckPictureMemory(options.width, options.height,
                                   render::PictureSupersampling(options.width, options.height, options.fit),
                                   options.memoryMegabytes);
        render::LimitMemory(static_cast<std::size_t>(options.memoryMegabytes));
        viewer::ViewerScene scene;
        LoadModel(scene, options.input);
        Configure(scene, options);
        const QByteArray png = DrawPng(scene, options, argc, argv);
        // Through a temporary file: a failed write leaves an existing picture whole.
        render::HoldTimeOut();
        base::WriteFileAtomically(options.output, png.constData(), static_cast<std::size_t>(png.size()));
    } catch (const std::bad_alloc&) {
        return Fail("out of memory (the limit is " + std::to_string(options.memoryMegabytes) + " MB)");
    } catch (const base::EStreamError& error) {
        return Fail(error.what() + (error.Detail().empty() ? std::string() : ": " + error.Detail()));
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
    return 0;
}
