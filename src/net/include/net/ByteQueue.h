#pragma once
// A first-in first-out byte buffer: bytes are appended at the back and taken
// from the front without moving the rest on every take. Room prepared for a
// receive is not cleared first, since the receive overwrites it at once.
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace net {

class ByteQueue {
public:
    std::size_t Size() const { return end_ - head_; }
    bool Empty() const { return end_ == head_; }
    std::string_view View() const { return std::string_view(data_.get() + head_, Size()); }

    void Append(std::string_view bytes) {
        std::memcpy(Prepare(bytes.size()), bytes.data(), bytes.size());
        end_ += bytes.size();
    }
    // Room for up to count bytes at the back; Commit says how many were filled.
    char* Prepare(std::size_t count) {
        if (head_ > 0 && (head_ == end_ || end_ + count > capacity_)) {
            std::memmove(data_.get(), data_.get() + head_, Size());
            end_ -= head_;
            head_ = 0;
        }
        if (end_ + count > capacity_) Grow(end_ + count);
        return data_.get() + end_;
    }
    void Commit(std::size_t filled) { end_ += filled; }

    void Consume(std::size_t count) {
        head_ += count < Size() ? count : Size();
        if (head_ == end_) Clear();
    }
    std::string Take(std::size_t count) {
        std::string bytes(View().substr(0, count));
        Consume(bytes.size());
        return bytes;
    }
    void Clear() { head_ = end_ = 0; }

private:
    void Grow(std::size_t needed) {
        std::size_t capacity = capacity_ < 4096 ? 4096 : capacity_ * 2;
        while (capacity < needed) capacity *= 2;
        std::unique_ptr<char[]> data(new char[capacity]);
        if (Size() > 0) std::memcpy(data.get(), data_.get() + head_, Size());
        end_ = Size();
        head_ = 0;
        data_ = std::move(data);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t end_ = 0;
};

}  // namespace net
