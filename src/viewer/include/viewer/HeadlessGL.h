#pragma once
// OpenGL without a window system: Qt's EGL platform over Mesa's surfaceless
// EGL display, for drawing pictures on a machine with no display at all.
#include <QOpenGLContext>

#include <memory>

namespace viewer {

// True when DISPLAY names an X display that can be opened, has a screen and
// answers a request; an empty DISPLAY counts as none.
bool CanOpenDisplay();

// Chooses the headless platform for the QGuiApplication made next. Call it
// before that application exists. The platform leaves the process's handlers
// of SIGINT and SIGTERM as they are.
void SelectHeadlessPlatform();

// For an X display that answered: Qt falls back to the headless platform if the
// display fails when the application opens it. Call it before that application
// exists; a platform the user chose (QT_QPA_PLATFORM) stays.
void AllowHeadlessFallback();

// True when the running application uses the headless platform.
bool IsHeadlessPlatform();

// An OpenGL context of the given format on the surfaceless EGL display, for a
// pbuffer-backed QOffscreenSurface. Raises base::Exception when EGL cannot
// make one.
std::unique_ptr<QOpenGLContext> CreateHeadlessContext(const QSurfaceFormat& format);

}  // namespace viewer
