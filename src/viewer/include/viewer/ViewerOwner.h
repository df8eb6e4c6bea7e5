#pragma once
// What the viewer window tells the window that opened it.

namespace viewer {

class IViewerOwner {
public:
    // The viewer window is closing; a new one may be opened.
    virtual void ViewerClosed() = 0;

protected:
    ~IViewerOwner() = default;
};

}  // namespace viewer
