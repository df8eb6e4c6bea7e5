#pragma once
// Pictures asked for on any thread and drawn on the one thread that owns the
// OpenGL context: the batch's threads read models and encode pictures, while
// the drawing, which one context cannot share, happens one picture at a time.
#include <QImage>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>

namespace render {

class DrawQueue {
public:
    // Runs draw on the serving thread and returns its picture, or raises what
    // draw raised. Call from any thread but the serving one.
    QImage Draw(std::function<QImage()> draw);

    // Runs the draws asked for, in order, until Close.
    void Serve();
    void Close();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::packaged_task<QImage()>> waiting_;
    bool closed_ = false;
};

}  // namespace render
