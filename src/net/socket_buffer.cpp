#include "net/socket_buffer.h"

#include <algorithm>
#include <cstring>

namespace mondeliar::net {

TBuffer::TBuffer(int capacity)
    : capacity_(capacity > 0 ? capacity : kDefaultCapacity), data_(new char[capacity_])
{
}

int TBuffer::Write(const char* data, int count)
{
    const int n = std::max(0, std::min(count, capacity_ - write_pos_));
    if (n > 0) {
        std::memcpy(data_.get() + write_pos_, data, static_cast<size_t>(n));
        write_pos_ += n;
    }
    return n;
}

const char* TBuffer::Peek(int* count) const
{
    *count = write_pos_ - read_pos_;
    return data_.get() + read_pos_;
}

void TBuffer::Remove(int count)
{
    read_pos_ += std::max(0, std::min(count, write_pos_ - read_pos_));
    if (read_pos_ == write_pos_)
        read_pos_ = write_pos_ = 0;
}

}  // namespace mondeliar::net
