// korvane-render: draws a model with the viewer's own scene into a PNG file.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <exception>
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
    // --turn gives the mouse's movement in window pixels, y downwards; the
    // drag counts y upwards.
    viewer::TurnModel(scene, options.turnX, -options.turnY);
    if (options.fit) viewer::FitCameraToModel(scene, options.width, options.height);
}

// The picture of the scene, encoded as PNG.
QByteArray DrawPng(viewer::ViewerScene& scene, const render::RenderOptions& options, int argc, char** argv) {
    // With no X display, OpenGL runs on Mesa without any window system.
    if (!std::getenv("DISPLAY")) viewer::SelectHeadlessPlatform();
    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) throw std::runtime_error("OpenGL 3.3 core is not available");
    const QImage picture = renderer.Render(scene, options.width, options.height);
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
        render::LimitMemory(static_cast<std::size_t>(options.memoryMegabytes));
        viewer::ViewerScene scene;
        render::LoadModelFile(scene, options.input);
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
