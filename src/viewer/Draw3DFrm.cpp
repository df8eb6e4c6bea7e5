#include "viewer/Draw3DFrm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "viewer/ViewerControls.h"
#include "widgets/HandlerGuard.h"

namespace viewer {

namespace {

constexpr int WheelNotch = 120;  // angle delta of one wheel notch
constexpr int PlayIntervalMs = 1000 / 60;  // pictures of a playing animation: up to 60 a second

// A menu command whose key is shown beside it; the window itself handles the key.
QAction* AddCommand(QMenu* menu, const QString& text, QKeySequence key) {
    QAction* action = menu->addAction(text);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
}

}  // namespace

TDraw3DFrm::TDraw3DFrm(IViewerOwner* owner, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      owner_(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    // A 468 x 426 window: its frame at (286, 148) around a 460 x 399 client
    // area, the drawing control's surface.
    move(286, 148);
    resize(460, 399);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);

    D3DrawX = new TD3DrawX(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(D3DrawX);

    PopupMenu = new QMenu(this);
    pGraud = PopupMenu->addAction(tr("グローモデル"));
    pFlat = PopupMenu->addAction(tr("フラットモデル"));
    pWire = PopupMenu->addAction(tr("ワイアフレームモデル"));
    N1 = PopupMenu->addSeparator();
    pBackColor = PopupMenu->addAction(tr("背景色変更"));
    N2 = PopupMenu->addSeparator();
    pShowAll = PopupMenu->addAction(tr("全体を表示"));
    N3 = PopupMenu->addSeparator();
    pPlay = AddCommand(PopupMenu, tr("再生/一時停止"), Qt::Key_Space);
    pPrevFrame = AddCommand(PopupMenu, tr("前のフレーム"), Qt::Key_Left);
    pNextFrame = AddCommand(PopupMenu, tr("次のフレーム"), Qt::Key_Right);
    for (QAction* action : {pPlay, pPrevFrame, pNextFrame}) action->setEnabled(false);
    D3DrawX->PopupMenu = PopupMenu;
    PlayTimer = new QTimer(this);
    PlayTimer->setInterval(PlayIntervalMs);
    connect(PlayTimer, &QTimer::timeout, this, widgets::Guarded([this] { PlayTick(); }));
    ColorDialog = new QColorDialog(this);

    D3DrawX->OnMouseDown = [this](Qt::MouseButton b, int x, int y) { D3DrawXMouseDown(b, x, y); };
    D3DrawX->OnMouseMove = [this](Qt::MouseButton b, int x, int y) { D3DrawXMouseMove(b, x, y); };
    D3DrawX->OnMouseUp = [this](Qt::MouseButton b, int x, int y) { D3DrawXMouseUp(b, x, y); };
    D3DrawX->OnDrawFailed = [this](const std::exception& error) { D3DrawXDrawFailed(error); };
    connect(PopupMenu, &QMenu::triggered, this, widgets::Guarded([this](QAction* sender) { OnPopMenu(sender); }));

    setWindowState(Qt::WindowMaximized);
    FormCreate();
}

void TDraw3DFrm::FormCreate() {
    LastDragPoint = QPoint(0, 0);
    Dragging = false;
    setWindowTitle(QString());
}

void TDraw3DFrm::LoadModel(base::MemoryStream& stream, const QString& caption) {
    D3DrawX->LoadXFromStream(stream);
    ShowLoaded(caption);
}

void TDraw3DFrm::LoadGltf(const std::vector<std::uint8_t>& bytes, const std::string& folder, const QString& caption) {
    try {
        D3DrawX->Scene().LoadGltf(bytes, folder);
    } catch (...) {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        throw;
    }
    D3DrawX->Redraw();
    ShowLoaded(caption);
}

void TDraw3DFrm::ShowLoaded(const QString& caption) {
    const bool animated = D3DrawX->MeshBuilder() && D3DrawX->MeshBuilder()->Animated();
    for (QAction* action : {pPlay, pPrevFrame, pNextFrame}) action->setEnabled(animated);
    setWindowTitle(caption);
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void TDraw3DFrm::D3DrawXMouseDown(Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton) return;
    LastDragPoint = QPoint(x, y);
    Dragging = true;
}

void TDraw3DFrm::D3DrawXMouseMove(Qt::MouseButton, int x, int y) {
    if (Dragging) RotateByDrag(x, y);
}

void TDraw3DFrm::D3DrawXMouseUp(Qt::MouseButton, int, int) { Dragging = false; }

// A window left without its model would show only its background.
void TDraw3DFrm::D3DrawXDrawFailed(const std::exception& error) {
    close();
    if (owner_) owner_->ViewerCannotDraw(error);
}

void TDraw3DFrm::RotateByDrag(int x, int y) {
    const int dx = x - LastDragPoint.x();
    const int dy = LastDragPoint.y() - y;
    LastDragPoint = QPoint(x, y);
    if (!TurnModel(D3DrawX->Scene(), dx, dy, turnCentre_)) return;
    framed_ = false;
    D3DrawX->Redraw();
}

void TDraw3DFrm::ChangeDistance(float factor) {
    ChangeCameraDistance(D3DrawX->Scene(), factor, turnCentre_);
    framed_ = false;
    D3DrawX->Redraw();
}

void TDraw3DFrm::ShowWholeModel() {
    if (D3DrawX->MeshBuilder()) {
        turnCentre_ = ModelBoxCentre(D3DrawX->Scene());
        framed_ = true;
    }
    const qreal ratio = D3DrawX->devicePixelRatioF();
    FitCameraToModel(D3DrawX->Scene(), static_cast<int>(D3DrawX->width() * ratio),
                     static_cast<int>(D3DrawX->height() * ratio));
    D3DrawX->Redraw();
}

void TDraw3DFrm::PlayOrPause() {
    if (PlayTimer->isActive()) {
        PlayTimer->stop();
        return;
    }
    const viewer::MeshBuilder* builder = D3DrawX->MeshBuilder();
    if (!builder || !builder->Animated()) return;
    playClock_.start();
    PlayTimer->start();
}

// Stepping pauses a playing animation, so that the frame stepped to stays.
void TDraw3DFrm::StepFrame(double seconds) {
    PlayTimer->stop();
    if (AdvanceAnimation(D3DrawX->Scene(), seconds)) D3DrawX->Redraw();
}

// The animation moves on by the time that has passed, however long each
// picture took, so that it plays at its own speed.
void TDraw3DFrm::PlayTick() {
    const double seconds = static_cast<double>(playClock_.restart()) / 1000;
    if (AdvanceAnimation(D3DrawX->Scene(), seconds))
        D3DrawX->Redraw();
    else
        PlayTimer->stop();
}

void TDraw3DFrm::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    FormKeyDown(key);
    if (key == 0) event->accept();
    else QWidget::keyPressEvent(event);
}

void TDraw3DFrm::FormKeyDown(int& key) {
    switch (key) {
        case Qt::Key_Escape:
            close();
            key = 0;
            break;
        case Qt::Key_PageUp:
            ChangeDistance(CloserFactor);
            break;
        case Qt::Key_PageDown:
            ChangeDistance(FartherFactor);
            break;
        case Qt::Key_Home:
        case Qt::Key_F:
            ShowWholeModel();
            break;
        case Qt::Key_Space:
            PlayOrPause();
            key = 0;
            break;
        case Qt::Key_Left:
            StepFrame(-AnimationStepSeconds);
            key = 0;
            break;
        case Qt::Key_Right:
            StepFrame(AnimationStepSeconds);
            key = 0;
            break;
        default:
            break;
    }
}

void TDraw3DFrm::wheelEvent(QWheelEvent* event) {
    // Turning the wheel towards the user brings the model closer.
    wheelRemainder_ += event->angleDelta().y();
    bool handled = false;
    for (; wheelRemainder_ <= -WheelNotch; wheelRemainder_ += WheelNotch) FormMouseWheelDown(handled);
    for (; wheelRemainder_ >= WheelNotch; wheelRemainder_ -= WheelNotch) FormMouseWheelUp(handled);
    event->accept();
}

void TDraw3DFrm::FormMouseWheelDown(bool& handled) {
    int key = Qt::Key_PageUp;
    FormKeyDown(key);
    handled = true;
}

void TDraw3DFrm::FormMouseWheelUp(bool& handled) {
    int key = Qt::Key_PageDown;
    FormKeyDown(key);
    handled = true;
}

void TDraw3DFrm::OnPopMenu(QAction* sender) {
    viewer::MeshBuilder* builder = D3DrawX->MeshBuilder();
    if (sender == pGraud || sender == pFlat || sender == pWire) {
        if (builder)
            builder->SetQuality(sender == pGraud ? RenderGouraud : sender == pFlat ? RenderFlat : RenderWireframe);
    } else if (sender == pShowAll) {
        ShowWholeModel();
    } else if (sender == pPlay) {
        PlayOrPause();
    } else if (sender == pPrevFrame || sender == pNextFrame) {
        StepFrame(sender == pNextFrame ? AnimationStepSeconds : -AnimationStepSeconds);
    } else if (sender == pBackColor) {
        ColorDialog->setCurrentColor(QColor(lastColor_ & 0xFF, lastColor_ >> 8 & 0xFF, lastColor_ >> 16 & 0xFF));
        if (ColorDialog->exec() == QDialog::Accepted) {
            const QColor chosen = ColorDialog->selectedColor();
            lastColor_ = static_cast<std::uint32_t>(chosen.red() | chosen.green() << 8 | chosen.blue() << 16);
            const Color3 background = BackgroundFromColorRef(lastColor_);
            D3DrawX->GetScene().SetSceneBackgroundRGB(background.red, background.green, background.blue);
        }
    }
    D3DrawX->Redraw();
}

void TDraw3DFrm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

// A window maximized after the model was framed would otherwise show it framed
// for the window's first shape.
void TDraw3DFrm::FormResize() {
    if (framed_) ShowWholeModel();
    else D3DrawX->Redraw();
}

void TDraw3DFrm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TDraw3DFrm::FormClose() {
    if (owner_) owner_->ViewerClosed();
}

}  // namespace viewer
