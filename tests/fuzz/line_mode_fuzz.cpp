// The line mode of the socket layer as TCustomLineWSocket drives it: received bytes come
// in pieces of any size (and only while the buffer has room), complete lines are read in
// pieces of any size, an over-long line without its end is dropped, and at the close what
// is left is the last line. Read in order, the lines and the dropped bytes give back the
// input exactly.
//
// Input: byte 0 the line end's length (1 to 4) and the editing switch, byte 1 the line
// limit, byte 2 the piece sizes, then the line end, then the received bytes.

#include "net/line_splitter.h"
#include "net_fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <string>

using namespace mondeliar::net;

namespace {

constexpr size_t kReadChunk = 4096;  // one read of the socket's line mode

struct Run {
    LineSplitter lines;
    mondeliar::fuzz::Pieces pieces;
    std::string out;  // lines and dropped bytes, in order

    // A complete line ends with LineEnd, which it holds nowhere earlier; it is at most one
    // read longer than the limit (a tab becomes up to 8 spaces when edited).
    void CheckLine(const std::string& line, bool edited) const
    {
        const std::string& end = lines.LineEnd();
        FUZZ_CHECK(line.size() >= end.size());
        FUZZ_CHECK(line.find(end) == line.size() - end.size());
        const size_t most_read = edited ? 8 * kReadChunk : kReadChunk;
        FUZZ_CHECK(line.size() <= static_cast<size_t>(lines.LineLimit()) + most_read);
    }

    // What the socket does after each read: every complete line to the application, read
    // in pieces; an over-long rest without a line end dropped.
    void Deliver(bool edited)
    {
        for (;;) {
            if (!lines.FindLine()) {
                if (lines.OverLimit()) {
                    std::string dropped(lines.Buffered(), '\0');
                    lines.TakeBytes(dropped.data(), dropped.size());
                    FUZZ_CHECK(dropped.find(lines.LineEnd()) == std::string::npos);
                    out += dropped;
                }
                return;
            }
            std::string line;
            while (lines.LineLength() > 0) {
                char chunk[64];
                const size_t n = lines.TakeLine(chunk, pieces.Next(sizeof chunk));
                FUZZ_CHECK(n > 0);
                line.append(chunk, n);
            }
            CheckLine(line, edited);
            out += line;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const size_t end_length = 1 + (data[0] & 3);
    const bool edited = (data[0] & 4) != 0;
    if (size < 3 + end_length)
        return 0;
    Run run{LineSplitter(), mondeliar::fuzz::Pieces(data[2]), std::string()};
    run.lines.SetLineLimit(1 + data[1] * 4);
    run.lines.SetLineEnd(std::string(reinterpret_cast<const char*>(data) + 3, end_length));
    const std::string input(reinterpret_cast<const char*>(data) + 3 + end_length,
                            size - 3 - end_length);

    size_t fed = 0;
    while (fed < input.size()) {
        // The socket reads only while the buffer has room; after Deliver it always has.
        FUZZ_CHECK(run.lines.HasRoom());
        const size_t piece = std::min(run.pieces.Next(kReadChunk), input.size() - fed);
        if (edited)
            run.lines.AppendEdited(input.data() + fed, piece);
        else
            run.lines.Append(input.data() + fed, piece);
        fed += piece;
        run.Deliver(edited);
    }
    // The close: a pending partial line is the last line.
    if (!run.lines.Empty()) {
        run.lines.EndPartialLine();
        std::string last(run.lines.LineLength(), '\0');
        FUZZ_CHECK(run.lines.TakeLine(last.data(), last.size()) == last.size());
        FUZZ_CHECK(edited || last.find(run.lines.LineEnd()) == std::string::npos);
        run.out += last;
    }
    FUZZ_CHECK(run.lines.Empty());
    if (!edited)
        FUZZ_CHECK(run.out == input);
    return 0;
}
