#include "render/DrawQueue.h"

namespace render {

QImage DrawQueue::Draw(std::function<QImage()> draw) {
    std::packaged_task<QImage()> task(std::move(draw));
    std::future<QImage> picture = task.get_future();
    {
        const std::lock_guard<std::mutex> guard(lock_);
        waiting_.push_back(std::move(task));
    }
    changed_.notify_one();
    return picture.get();
}

void DrawQueue::Serve() {
    for (;;) {
        std::packaged_task<QImage()> task;
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [this] { return closed_ || !waiting_.empty(); });
            if (waiting_.empty()) return;
            task = std::move(waiting_.front());
            waiting_.pop_front();
        }
        task();
    }
}

void DrawQueue::Close() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    changed_.notify_one();
}

}  // namespace render
