#include "publish/page_snapshots.h"

#include "base/errors.h"
#include "base/output_file.h"

#include <cstdlib>
#include <unistd.h>

namespace mondeliar {

PageSnapshots::~PageSnapshots()
{
    for (const std::string& copy : copies_)
        ::unlink(copy.c_str());
    if (!folder_.empty())
        ::rmdir(folder_.c_str());
}

bool PageSnapshots::MakeFolder()
{
    if (!folder_.empty())
        return true;
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern
        = std::string(temporary && *temporary ? temporary : "/tmp") + "/mondeliar-publish-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)  // readable by its owner only
        return false;
    folder_ = pattern + "/";
    return true;
}

std::string PageSnapshots::Keep(const std::string& name, const std::string& bytes)
{
    if (!MakeFolder())
        return std::string();
    const std::string path = folder_ + name;
    try {
        OutputFile copy(path);
        copies_.push_back(path);
        copy.Write(bytes);
        copy.Close();
    } catch (const Error&) {
        return std::string();
    }
    return path;
}

}  // namespace mondeliar
