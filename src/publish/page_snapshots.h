#pragma once
// Copies of the pages a changed-only publish sends, made when their digests are taken. The
// data connection carries the copy, so the record vouches for exactly the bytes the server
// got, whatever writes the pages meanwhile (a `mondeliar-cli write` from cron, say).

#include <string>
#include <vector>

namespace mondeliar {

class PageSnapshots {
public:
    PageSnapshots() = default;
    ~PageSnapshots();  // the copies and their folder go
    PageSnapshots(const PageSnapshots&) = delete;
    PageSnapshots& operator=(const PageSnapshots&) = delete;

    // The path of a new copy of `bytes` called `name`, in a private folder of the system's
    // temporary folder; "" when it cannot be made.
    std::string Keep(const std::string& name, const std::string& bytes);

private:
    bool MakeFolder();

    std::string folder_;  // with a trailing "/"; "" until the first copy
    std::vector<std::string> copies_;
};

}  // namespace mondeliar
