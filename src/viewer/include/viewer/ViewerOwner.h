#pragma once
// What the viewer window tells the window that opened it.
#include <exception>

namespace viewer {

class IViewerOwner {
public:
    // The viewer window is closing; a new one may be opened.
    virtual void ViewerClosed() = 0;
    // The viewer window could not draw its model, for error, and has closed.
    virtual void ViewerCannotDraw(const std::exception& error) = 0;

protected:
    ~IViewerOwner() = default;
};

}  // namespace viewer
