#pragma once
// The drawing control of the viewer window: holds the viewer's scene and draws
// it with OpenGL when asked to. Without a usable OpenGL context it shows no
// picture and every operation stays harmless.
#include <QOpenGLWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "base/Stream.h"
#include "viewer/GLRenderer.h"
#include "viewer/ViewerScene.h"

class QMenu;

namespace viewer {

class TD3DrawX : public QOpenGLWidget {
public:
    explicit TD3DrawX(QWidget* parent = nullptr);
    ~TD3DrawX() override;

    // Loads .x data from the stream onto the model frame and draws; 0 when
    // there was nothing to load or the load succeeded, else the loader's code.
    std::int32_t LoadXFromStream(base::MemoryStream& stream);
    // Asks for a new picture, drawn and shown when drawing is possible.
    void Redraw();

    Frame& GetScene() { return scene_.GetScene(); }
    Frame& GetCamera() { return scene_.GetCamera(); }
    viewer::MeshBuilder* CreateMeshBuilder() { return scene_.CreateMeshBuilder(); }
    Frame* ModelFrame() { return scene_.ModelFrame; }
    viewer::MeshBuilder* MeshBuilder() { return scene_.MeshBuilder; }
    ViewerScene& Scene() { return scene_; }

    // Shown on a right click.
    QMenu* PopupMenu = nullptr;
    // Mouse events in the control's pixels.
    std::function<void(Qt::MouseButton, int x, int y)> OnMouseDown, OnMouseMove, OnMouseUp;
    // The model could not be drawn, for the error given; it has been dropped.
    // Called once the painting that failed is over.
    std::function<void(const std::exception&)> OnDrawFailed;

protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ViewerScene scene_;
    std::unique_ptr<GLRenderer> renderer_;
};

}  // namespace viewer
