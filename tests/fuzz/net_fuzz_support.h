#pragma once
// Helpers of the network fuzz targets. A failed property check aborts, which libFuzzer
// reports as a finding together with the input.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace mondeliar::fuzz {

// Piece sizes drawn from the input's first bytes, so a finding replays exactly.
class Pieces {
public:
    explicit Pieces(unsigned seed) : state_(seed * 2654435761u + 1) {}
    size_t Next(size_t most)
    {
        state_ = state_ * 1103515245u + 12345u;
        return most == 0 ? 0 : 1 + (state_ >> 8) % most;
    }

private:
    unsigned state_;
};

}  // namespace mondeliar::fuzz
