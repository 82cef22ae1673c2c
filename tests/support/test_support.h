#pragma once
// Helpers shared by the tests: temporary folders, whole-file reads and writes, lines, fixture
// files, folder listings, shell commands, a moment of local time, and a message sink that
// records instead of showing.

#include "base/messages.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mondeliar::testing {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        std::string pattern
            = (std::filesystem::temp_directory_path() / "mondeliar-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern + "/";
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, with a trailing "/".
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Lines of `text` joined with CR LF, each line ended by it.
inline std::string CrLfLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The text of the `Raised` exception that `action` raises, or `none` when it raises nothing.
template <typename Raised>
std::string RaisedText(const std::function<void()>& action, const std::string& none = "no error")
{
    try {
        action();
    } catch (const Raised& error) {
        return error.what();
    }
    return none;
}

// Sets an environment variable (null: removes it) and puts back what it was at the end.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_ ? old_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void Set(const char* value)
    {
        if (value)
            ::setenv(name_, value, 1);
        else
            ::unsetenv(name_);
    }

    const char* name_;
    std::optional<std::string> old_;
};

inline bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

class RecordingMessages : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

inline std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// The lines of `text`, each ended by `end`; what follows the last end is left out.
inline std::vector<std::string> SplitLines(const std::string& text, const std::string& end = "\n")
{
    std::vector<std::string> lines;
    for (std::size_t start = 0, at; (at = text.find(end, start)) != std::string::npos;
         start = at + end.size())
        lines.push_back(text.substr(start, at - start));
    return lines;
}

// A line of a notes file: the fields given, quoted, then empty ones up to a record's 25.
inline std::string NotesLine(std::vector<std::string> fields)
{
    fields.resize(25);
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "\"" : ",\"") + field + "\"";
    return line;
}

// How many of `lines` begin with `prefix`.
inline std::size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const auto& l) { return l.rfind(prefix, 0) == 0; }));
}

// A file of the source tree, by its path below the top folder ("resources/English.lang").
inline std::string SourcePath(const std::string& relative)
{
    return std::string(MONDELIAR_SOURCE_DIR) + "/" + relative;
}

// A fixture file, by its path below tests/ ("config/default_settings.cfg"): it lies beside the
// tests that read it.
inline std::string ReadFixture(const std::string& relative)
{
    return ReadFile(SourcePath("tests/" + relative));
}

// The lines of a fixture file whose lines end with CR LF.
inline std::vector<std::string> FixtureLines(const std::string& relative)
{
    return SplitLines(ReadFixture(relative), "\r\n");
}

// The names in a folder, sorted.
inline std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    return Sorted(names);
}

// What a shell command did: its exit status (-1 when it did not exit) and its two outputs.
struct ShellRun {
    int status = -1;
    std::string out, err;
};

inline ShellRun RunShell(const std::string& command)
{
    TempDir logs;
    const int status = std::system(
        ("{ " + command + "; } >'" + logs / "out" + "' 2>'" + logs / "err" + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(logs / "out"),
            ReadFile(logs / "err")};
}

// A moment of local time, as the page writer's clock hook gives it.
inline std::tm LocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm moment{};
    moment.tm_year = year - 1900;
    moment.tm_mon = month - 1;
    moment.tm_mday = day;
    moment.tm_hour = hour;
    moment.tm_min = minute;
    moment.tm_sec = second;
    return moment;
}

}  // namespace mondeliar::testing
