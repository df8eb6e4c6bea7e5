#pragma once
// A first-in first-out byte buffer: bytes are appended at the back and taken
// from the front without moving the rest on every take.
#include <cstddef>
#include <string>
#include <string_view>

namespace net {

class ByteQueue {
public:
    std::size_t Size() const { return data_.size() - head_; }
    bool Empty() const { return Size() == 0; }
    std::string_view View() const { return std::string_view(data_).substr(head_); }

    void Append(std::string_view bytes) {
        Compact();
        data_.append(bytes);
    }
    // Room for up to count bytes at the back; Commit says how many were filled.
    char* Prepare(std::size_t count) {
        Compact();
        prepared_ = data_.size();
        data_.resize(prepared_ + count);
        return data_.data() + prepared_;
    }
    void Commit(std::size_t filled) { data_.resize(prepared_ + filled); }

    void Consume(std::size_t count) {
        head_ += count < Size() ? count : Size();
        if (head_ == data_.size()) Clear();
    }
    std::string Take(std::size_t count) {
        std::string bytes(View().substr(0, count));
        Consume(bytes.size());
        return bytes;
    }
    void Clear() {
        data_.clear();
        head_ = 0;
    }

private:
    void Compact() {
        if (head_ > 0 && head_ >= data_.size() / 2) {
            data_.erase(0, head_);
            head_ = 0;
        }
    }

    std::string data_;
    std::size_t head_ = 0;
    std::size_t prepared_ = 0;
};

}  // namespace net
