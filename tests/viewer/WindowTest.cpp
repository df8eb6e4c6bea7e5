#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <functional>

#include "XSamples.h"
#include "viewer/Draw3DFrm.h"

using namespace viewer;

namespace {

class Owner : public IViewerOwner {
public:
    void ViewerClosed() override { ++closed; }
    void ViewerCannotDraw(const std::exception&) override {}
    int closed = 0;
};

base::MemoryStream TriangleStream() {
    return base::MemoryStream(
        xsamples::TextFile(xsamples::MeshText({-1, -1, 0, -1, 1, 0, 1, -1, 0}, {{0, 1, 2}})));
}

void Key(QWidget* window, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
}

void Mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint at) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Wheel(QWidget* window, int delta) {
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window, &event);
}

bool IsBackground(QRgb pixel) { return (pixel & 0xFFFFFF) == 0; }

// The part of the control's picture that is not background, and the whole picture.
std::pair<QRect, QRect> DrawnBounds(TD3DrawX* control) {
    const QImage picture = control->grabFramebuffer();
    QRect drawn;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (!IsBackground(picture.pixel(x, y))) drawn |= QRect(x, y, 1, 1);
    return {drawn, picture.rect()};
}

float CameraDistance(TDraw3DFrm* window) {
    return Length(window->D3DrawX->GetCamera().GetPosition(window->D3DrawX->ModelFrame()));
}

}  // namespace

TEST(ViewerWindow, OpensMaximizedWithItsMenuAndCaption) {
    Owner owner;
    auto* window = new TDraw3DFrm(&owner);
    EXPECT_TRUE(window->windowTitle().isEmpty());
    // Restored, the window's frame is at (286, 148), 468 x 426 with its
    // borders around a 460 x 399 drawing surface.
    EXPECT_EQ(window->pos(), QPoint(286, 148));
    EXPECT_EQ(window->size(), QSize(460, 399));
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    const QStringList expected = {"グローモデル", "フラットモデル", "ワイアフレームモデル", "", "背景色変更", "", "全体を表示",
                                  "", "再生/一時停止", "前のフレーム", "次のフレーム"};
    QStringList texts;
    for (QAction* action : window->PopupMenu->actions()) texts << action->text();
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(window->N1->isSeparator());
    window->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    base::MemoryStream stream = TriangleStream();
    window->LoadModel(stream, QStringLiteral("Tri"));
    EXPECT_EQ(window->windowTitle(), "Tri");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_NE(window->D3DrawX->MeshBuilder(), nullptr);
    // The control draws the model: the middle of its picture is not background.
    const QImage picture = window->D3DrawX->grabFramebuffer();
    ASSERT_FALSE(picture.isNull());
    EXPECT_NE(picture.pixel(picture.width() / 2 - 5, picture.height() / 2 + 5) & 0xFFFFFF, 0u);
    EXPECT_EQ(picture.pixel(2, 2) & 0xFFFFFF, 0u);
    window->close();
}

TEST(ViewerWindow, KeysWheelAndDragMoveTheScene) {
    Owner owner;
    QPointer<TDraw3DFrm> window = new TDraw3DFrm(&owner);
    window->show();
    base::MemoryStream stream = TriangleStream();
    window->LoadModel(stream, QString());

    for (int i = 0; i < 10; ++i) Key(window, Qt::Key_PageUp);
    EXPECT_NEAR(CameraDistance(window), 15 * std::pow(0.9f, 10.0f), 1e-3f);
    Key(window, Qt::Key_PageDown);
    EXPECT_NEAR(CameraDistance(window), 15 * std::pow(0.9f, 10.0f) * 1.1f, 1e-3f);
    Wheel(window, -120);  // towards the user: closer
    EXPECT_NEAR(CameraDistance(window), 15 * std::pow(0.9f, 11.0f) * 1.1f, 1e-3f);
    Wheel(window, 60);  // half a notch does nothing yet
    Wheel(window, 60);
    EXPECT_NEAR(CameraDistance(window), 15 * std::pow(0.9f, 11.0f) * 1.21f, 1e-3f);

    // A right-button drag does not turn the model; a left-button one does.
    TD3DrawX* control = window->D3DrawX;
    Mouse(control, QEvent::MouseButtonPress, Qt::RightButton, {10, 10});
    Mouse(control, QEvent::MouseMove, Qt::RightButton, {60, 10});
    EXPECT_FALSE(window->Dragging);
    Mouse(control, QEvent::MouseButtonPress, Qt::LeftButton, {10, 10});
    Mouse(control, QEvent::MouseMove, Qt::LeftButton, {60, 10});
    Mouse(control, QEvent::MouseButtonRelease, Qt::LeftButton, {60, 10});
    EXPECT_FALSE(window->Dragging);
    const Vec3 x = control->ModelFrame()->WorldTransform().Row(0);
    EXPECT_NEAR(std::acos(x.x), 50 / std::sqrt(5000.0f), 1e-4f);

    Key(window, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(owner.closed, 1);
    EXPECT_TRUE(window.isNull());
}

TEST(ViewerWindow, ShadingItemsActOnTheLoadedModelOnly) {
    Owner owner;
    auto* window = new TDraw3DFrm(&owner);
    base::MemoryStream bad(xsamples::Bytes("xof 0303txt 0032 Mesh {"));
    window->LoadModel(bad, QString());
    window->pWire->trigger();  // nothing loaded: nothing to change
    EXPECT_EQ(window->D3DrawX->MeshBuilder(), nullptr);

    base::MemoryStream good = TriangleStream();
    window->LoadModel(good, QString());
    const struct {
        QAction* item;
        std::uint32_t quality;
    } cases[] = {{window->pFlat, RenderFlat}, {window->pWire, RenderWireframe}, {window->pGraud, RenderGouraud}};
    for (const auto& c : cases) {
        c.item->trigger();
        EXPECT_EQ(window->D3DrawX->MeshBuilder()->GetQuality(), c.quality);
    }
    window->close();
    EXPECT_EQ(owner.closed, 1);
}

// The dialog opens with the colour chosen last time (black at first); a
// confirmed colour becomes the background, a cancelled dialog changes nothing.
TEST(ViewerWindow, BackgroundColourFromTheDialog) {
    Owner owner;
    auto* window = new TDraw3DFrm(&owner);
    window->show();
    const auto answer = [&](QColor expectedAtOpen, QColor chosen, bool confirm) {
        QTimer::singleShot(0, window, [=] {
            EXPECT_EQ(window->ColorDialog->currentColor(), expectedAtOpen);
            window->ColorDialog->setCurrentColor(chosen);
            if (confirm)
                window->ColorDialog->accept();
            else
                window->ColorDialog->reject();
        });
        window->pBackColor->trigger();
    };
    const auto background = [&] { return window->D3DrawX->GetScene().GetSceneBackground(); };

    answer(QColor(0, 0, 0), QColor(0x33, 0x66, 0x99), true);
    EXPECT_FLOAT_EQ(background().red, 0x33 / 255.0f);
    EXPECT_FLOAT_EQ(background().green, 0x66 / 255.0f);
    EXPECT_FLOAT_EQ(background().blue, 0x99 / 255.0f);
    answer(QColor(0x33, 0x66, 0x99), QColor(255, 255, 255), false);
    EXPECT_FLOAT_EQ(background().red, 0x33 / 255.0f);
    EXPECT_FLOAT_EQ(background().blue, 0x99 / 255.0f);
    answer(QColor(0x33, 0x66, 0x99), QColor(255, 0, 0), true);
    EXPECT_FLOAT_EQ(background().red, 1.0f);
    EXPECT_FLOAT_EQ(background().blue, 0.0f);

    // A right click on the drawing opens the popup menu.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), window->D3DrawX->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(window->D3DrawX, &click);
    EXPECT_TRUE(window->PopupMenu->isVisible());
    window->PopupMenu->hide();
    window->close();
}

// Home, F and the menu's 全体を表示 bring a model that lies far from its own
// origin, out of sight at first, into the middle of the picture, filling it.
TEST(ViewerWindow, ShowWholeModelFramesAModelFarFromItsOrigin) {
    const auto farTriangle = [] {
        return base::MemoryStream(
            xsamples::TextFile(xsamples::MeshText({30, 30, 0, 30, 32, 0, 32, 30, 0}, {{0, 1, 2}})));
    };
    const struct {
        const char* name;
        std::function<void(TDraw3DFrm*)> show;
    } cases[] = {
        {"Home", [](TDraw3DFrm* w) { QTest::keyClick(w, Qt::Key_Home); }},
        {"F", [](TDraw3DFrm* w) { QTest::keyClick(w, Qt::Key_F); }},
        {"menu", [](TDraw3DFrm* w) { w->pShowAll->trigger(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        auto* window = new TDraw3DFrm(&owner);
        window->show();
        base::MemoryStream stream = farTriangle();
        window->LoadModel(stream, QString());
        const auto bounds = [&] { return DrawnBounds(window->D3DrawX); };
        EXPECT_TRUE(bounds().first.isEmpty());
        c.show(window);
        const auto [drawn, all] = bounds();
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_TRUE(all.contains(drawn));
        EXPECT_NEAR(drawn.center().x(), all.center().x(), all.width() / 10);
        EXPECT_NEAR(drawn.center().y(), all.center().y(), all.height() / 10);
        // The triangle is as wide as it is high: it fills the shorter side.
        EXPECT_GT(std::min(drawn.width(), drawn.height()), std::min(all.width(), all.height()) * 8 / 10);
        window->close();
    }
}

// After Home, the model turns about the middle of its box and the page keys
// move the camera to and from it: a model far from its own origin stays in
// the middle of the picture through a drag of 60 pixels and three Page Ups.
TEST(ViewerWindow, AFramedModelStaysInViewWhenTurnedAndApproached) {
    Owner owner;
    auto* window = new TDraw3DFrm(&owner);
    window->show();
    base::MemoryStream stream(
        xsamples::TextFile(xsamples::MeshText({40, 30, 5, 40, 34, 5, 43, 30, 6}, {{0, 1, 2}})));
    window->LoadModel(stream, QString());
    QTest::keyClick(window, Qt::Key_Home);
    TD3DrawX* control = window->D3DrawX;
    const struct {
        const char* name;
        std::function<void()> act;
    } steps[] = {
        {"drag right", [&] {
             QTest::mousePress(control, Qt::LeftButton, Qt::NoModifier, {100, 100});
             QTest::mouseMove(control, {160, 100});
             QTest::mouseRelease(control, Qt::LeftButton, Qt::NoModifier, {160, 100});
         }},
        {"drag up", [&] {
             QTest::mousePress(control, Qt::LeftButton, Qt::NoModifier, {100, 100});
             QTest::mouseMove(control, {100, 40});
             QTest::mouseRelease(control, Qt::LeftButton, Qt::NoModifier, {100, 40});
         }},
        {"closer", [&] {
             for (int i = 0; i < 3; ++i) QTest::keyClick(window, Qt::Key_PageUp);
         }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        const auto [drawn, all] = DrawnBounds(control);
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_NEAR(drawn.center().x(), all.center().x(), all.width() / 5);
        EXPECT_NEAR(drawn.center().y(), all.center().y(), all.height() / 5);
    }
    window->close();
}

// Space plays and pauses an animated model, Left and Right step it a frame,
// from the keys and from the menu, and each step shows a new picture. A
// model that does not move is left as it is, its commands disabled.
TEST(ViewerWindow, SpaceAndArrowsPlayAndStepTheAnimation) {
    Owner owner;
    auto* window = new TDraw3DFrm(&owner);
    window->show();
    base::MemoryStream still = TriangleStream();
    window->LoadModel(still, QString());
    EXPECT_FALSE(window->pPlay->isEnabled());
    const QImage stillPicture = window->D3DrawX->grabFramebuffer();
    Key(window, Qt::Key_Space);
    Key(window, Qt::Key_Right);
    QTest::qWait(100);
    EXPECT_EQ(window->D3DrawX->MeshBuilder()->Time(), 0);
    EXPECT_EQ(window->D3DrawX->grabFramebuffer(), stillPicture);

    base::MemoryStream bar(xsamples::TextFile(xsamples::TurningBarText()));
    window->LoadModel(bar, QString());
    const MeshBuilder* builder = window->D3DrawX->MeshBuilder();
    ASSERT_TRUE(builder->Animated());
    EXPECT_TRUE(window->pPlay->isEnabled());
    QImage picture = window->D3DrawX->grabFramebuffer();
    const auto changes = [&] {
        const QImage next = window->D3DrawX->grabFramebuffer();
        const bool changed = next != picture;
        picture = next;
        return changed;
    };
    const double step = 1.0 / 30;
    const struct {
        const char* name;
        std::function<void()> act;
        double time;  // of the pose afterwards
    } steps[] = {
        {"Right", [&] { Key(window, Qt::Key_Right); }, step},
        {"Right again", [&] { Key(window, Qt::Key_Right); }, 2 * step},
        {"Left", [&] { Key(window, Qt::Key_Left); }, step},
        {"next frame from the menu", [&] { window->pNextFrame->trigger(); }, 2 * step},
        {"previous frame from the menu", [&] { window->pPrevFrame->trigger(); }, step},
        {"Left before the start goes round to the end", [&] {
             Key(window, Qt::Key_Left);
             Key(window, Qt::Key_Left);
         },
         1 - step},
    };
    for (const auto& c : steps) {
        SCOPED_TRACE(c.name);
        c.act();
        EXPECT_NEAR(builder->Time(), c.time, 1e-9);
        EXPECT_TRUE(changes());
    }
    Key(window, Qt::Key_Space);
    QTest::qWait(300);
    Key(window, Qt::Key_Space);
    const double paused = builder->Time();
    EXPECT_NE(paused, 1 - step);
    EXPECT_TRUE(changes());
    QTest::qWait(150);
    EXPECT_EQ(builder->Time(), paused);
    window->pPlay->trigger();
    QTest::qWait(150);
    window->pPlay->trigger();
    EXPECT_NE(builder->Time(), paused);
    window->close();
}
