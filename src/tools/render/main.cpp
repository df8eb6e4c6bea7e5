// korvane-render: draws a model with the viewer's own scene into a PNG file.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "ModelInput.h"
#include "base/Errors.h"
#include "base/Stream.h"
#include "RenderOptions.h"
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
    if (!std::getenv("DISPLAY"))
        return Fail("no X display; run it under xvfb-run or in a desktop session");

    viewer::ViewerScene scene;
    try {
        base::MemoryStream x = render::ReadModelAsX(options.input);
        const std::int32_t result = scene.LoadXFromStream(x);
        if (result != 0) return Fail(options.input + ": cannot read the .x data (code 0x" +
                                     QString::number(static_cast<std::uint32_t>(result), 16).toStdString() + ")");
        if (!scene.MeshBuilder) return Fail(options.input + ": the file is empty");
        // Texture file names are relative to the file's folder.
        scene.MeshBuilder->SetTextureFolder(std::filesystem::absolute(options.input).parent_path().string());
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
    Configure(scene, options);

    QGuiApplication application(argc, argv);
    viewer::OffscreenRenderer renderer;
    if (!renderer.IsValid()) return Fail("OpenGL 3.3 core is not available on this display");
    const QImage picture = renderer.Render(scene, options.width, options.height);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) return Fail("cannot encode the picture as PNG");
    // Through a temporary file: a failed write leaves an existing picture whole.
    try {
        base::WriteFileAtomically(options.output, png.constData(), static_cast<std::size_t>(png.size()));
    } catch (const base::EStreamError& error) {
        return Fail(error.what() + (error.Detail().empty() ? std::string() : ": " + error.Detail()));
    }
    return 0;
}
