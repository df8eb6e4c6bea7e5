#include "viewer/HeadlessGL.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <xcb/xcb.h>

#include <QGuiApplication>

#include <array>
#include <cstdlib>
#include <string>

#include "base/Errors.h"
#include "base/Format.h"

namespace viewer {

namespace {

void SetIfUnset(const char* name, const char* value) {
    if (!std::getenv(name)) setenv(name, value, 0);
}

// Qt's EGL platform without a window system, on Mesa's surfaceless display. It
// reads the screen from a framebuffer device; a headless machine has none, so it
// is given an empty one and the screen's figures.
void PrepareHeadlessPlatform() {
    setenv("QT_QPA_EGLFS_INTEGRATION", "none", 1);
    setenv("EGL_PLATFORM", "surfaceless", 1);
    // The platform's own SIGINT and SIGTERM handler only posts to an event
    // loop, and a picture is drawn without one: the signals would be ignored.
    // The program's handlers, left in place, remove its temporary files and end it.
    setenv("QT_QPA_NO_SIGNAL_HANDLER", "1", 1);
    SetIfUnset("QT_QPA_EGLFS_FB", "/dev/null");
    SetIfUnset("QT_QPA_EGLFS_DISABLE_INPUT", "1");
    SetIfUnset("QT_QPA_EGLFS_WIDTH", "1024");
    SetIfUnset("QT_QPA_EGLFS_HEIGHT", "768");
    SetIfUnset("QT_QPA_EGLFS_DEPTH", "32");
    SetIfUnset("QT_QPA_EGLFS_PHYSICAL_WIDTH", "270");
    SetIfUnset("QT_QPA_EGLFS_PHYSICAL_HEIGHT", "200");
}

std::string EglError(const char* what) {
    return base::Format("%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
}

EGLConfig ChooseConfig(EGLDisplay display, const QSurfaceFormat& format) {
    const std::array<EGLint, 15> attributes{EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                            EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                            EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                            EGL_DEPTH_SIZE, format.depthBufferSize(),
                                            EGL_ALPHA_SIZE, 0, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes.data(), &config, 1, &count) || count == 0)
        throw base::Exception(EglError("choosing a surfaceless EGL configuration"));
    return config;
}

}  // namespace

bool CanOpenDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return false;
    xcb_connection_t* connection = xcb_connect(name, nullptr);
    // A display that accepts the connection may still fail at its first request,
    // or offer no screen: Qt would then abort instead of drawing without it.
    bool usable = xcb_connection_has_error(connection) == 0 &&
                  xcb_setup_roots_length(xcb_get_setup(connection)) > 0;
    if (usable) {
        xcb_get_input_focus_reply_t* reply =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        usable = reply != nullptr;
        std::free(reply);
    }
    xcb_disconnect(connection);
    return usable;
}

void SelectHeadlessPlatform() {
    // The display named, if any, is not there: nothing may try to reach it.
    unsetenv("DISPLAY");
    setenv("QT_QPA_PLATFORM", "eglfs", 1);
    PrepareHeadlessPlatform();
}

void AllowHeadlessFallback() {
    // Qt tries the platforms listed in turn: a display that fails as Qt opens
    // it leaves the headless one instead of no platform at all.
    SetIfUnset("QT_QPA_PLATFORM", "xcb;eglfs");
    PrepareHeadlessPlatform();
}

bool IsHeadlessPlatform() { return QGuiApplication::platformName() == QLatin1String("eglfs"); }

std::unique_ptr<QOpenGLContext> CreateHeadlessContext(const QSurfaceFormat& format) {
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        throw base::Exception(EglError("opening the surfaceless EGL display"));
    if (!eglBindAPI(EGL_OPENGL_API)) throw base::Exception(EglError("choosing the OpenGL API"));
    const EGLConfig config = ChooseConfig(display, format);
    const std::array<EGLint, 7> attributes{EGL_CONTEXT_MAJOR_VERSION, format.majorVersion(),
                                           EGL_CONTEXT_MINOR_VERSION, format.minorVersion(),
                                           EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                           EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    // Qt does not own an adopted context: it lives as long as the process.
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes.data());
    if (context == EGL_NO_CONTEXT) throw base::Exception(EglError("creating an OpenGL context"));
    std::unique_ptr<QOpenGLContext> adopted(QNativeInterface::QEGLContext::fromNative(context, display));
    if (!adopted) throw base::Exception("Qt cannot use the surfaceless EGL context");
    return adopted;
}

}  // namespace viewer
