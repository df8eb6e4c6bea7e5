#pragma once
// The viewer window: shows .x data in 3D, turned by dragging with the left
// button, moved nearer or farther with the page keys and the wheel, brought
// whole into view with Home or F, shaded three ways from the popup menu, on a
// background of the user's choice. An animated model plays and pauses with
// Space and steps a frame back or on with Left and Right, from the popup menu too.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "viewer/D3DrawX.h"
#include "viewer/ViewerOwner.h"

class QAction;
class QColorDialog;
class QMenu;
class QTimer;

namespace viewer {

class TDraw3DFrm : public QWidget {
    Q_DECLARE_TR_FUNCTIONS(viewer::TDraw3DFrm)

public:
    // owner, if given, hears when the window closes. The window deletes
    // itself when closed.
    explicit TDraw3DFrm(IViewerOwner* owner, QWidget* parent = nullptr);

    // Shows the stream's .x data (the stream stays the caller's) under the
    // caption text, and puts the normal mouse cursor back.
    void LoadModel(base::MemoryStream& stream, const QString& caption);
    // The same for a glTF file's bytes, the files it names read from folder
    // (none when empty); raises GltfFormatError when it cannot be drawn.
    void LoadGltf(const std::vector<std::uint8_t>& bytes, const std::string& folder, const QString& caption);
    // Centres the model and moves the camera back until the model fills the
    // control, as Home does; from then on the model turns about the centre of
    // its box, and the picture is framed anew when the window changes size
    // until the model is turned or moved.
    void ShowWholeModel();

    TD3DrawX* D3DrawX;
    QMenu* PopupMenu;
    QAction* pGraud;
    QAction* pFlat;
    QAction* pWire;
    QAction* N1;
    QAction* pBackColor;
    QAction* N2;
    QAction* pShowAll;
    QAction* N3;
    QAction* pPlay;
    QAction* pPrevFrame;
    QAction* pNextFrame;
    QColorDialog* ColorDialog;
    QTimer* PlayTimer;  // runs while the animation plays

    QPoint LastDragPoint;
    bool Dragging = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    // The loaded model's caption and animation commands.
    void ShowLoaded(const QString& caption);
    void FormClose();
    void FormKeyDown(int& key);
    void FormMouseWheelDown(bool& handled);
    void FormMouseWheelUp(bool& handled);
    void FormResize();
    void D3DrawXMouseDown(Qt::MouseButton button, int x, int y);
    void D3DrawXMouseMove(Qt::MouseButton button, int x, int y);
    void D3DrawXMouseUp(Qt::MouseButton button, int x, int y);
    void D3DrawXDrawFailed(const std::exception& error);
    void RotateByDrag(int x, int y);
    void ChangeDistance(float factor);
    void PlayOrPause();
    void StepFrame(double seconds);
    void PlayTick();
    void OnPopMenu(QAction* sender);

    IViewerOwner* owner_;
    std::uint32_t lastColor_ = 0;  // red in the low byte, then green, then blue
    int wheelRemainder_ = 0;
    // The point, in the model frame, that the model turns about and the camera
    // moves to and from: the model's origin until the model is first framed.
    Vec3 turnCentre_;
    bool framed_ = false;  // framed, and not turned or moved since
    QElapsedTimer playClock_;  // since the last picture of the playing animation
};

}  // namespace viewer
