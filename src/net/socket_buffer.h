#pragma once
// One chunk of a socket's send queue.

#include <cstddef>
#include <memory>

namespace mondeliar::net {

class TBuffer {
public:
    static constexpr int kDefaultCapacity = 1514;

    // A capacity of 0 or less gives kDefaultCapacity bytes.
    explicit TBuffer(int capacity);

    int Capacity() const { return capacity_; }
    int WritePos() const { return write_pos_; }
    int ReadPos() const { return read_pos_; }

    // Copies as many bytes as fit behind WritePos; returns that count.
    int Write(const char* data, int count);
    // The bytes between ReadPos and WritePos.
    const char* Peek(int* count) const;
    // Advances ReadPos by at most what is held; both positions return to 0 when they meet.
    void Remove(int count);
    bool Empty() const { return read_pos_ == write_pos_; }
    bool Full() const { return write_pos_ == capacity_; }

private:
    int capacity_;
    int write_pos_ = 0;
    int read_pos_ = 0;
    std::unique_ptr<char[]> data_;
};

}  // namespace mondeliar::net
