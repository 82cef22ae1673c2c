#pragma once
// Running a program as a whole process for the benchmarks, without a shell between: its
// wall-clock time, its exit status and its peak memory. And the median of what was timed.

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace mondeliar::bench {

struct ProcessRun {
    bool succeeded = false;
    double seconds = 0;
    long peakRssKiB = 0;
};

// Runs `arguments` (the first an absolute path) in `folder`, its output going to `output`
// (written over, as the pages are) and its errors to `errors`, or to /dev/null.
inline ProcessRun RunProcess(std::vector<std::string> arguments, const std::string& folder,
                             const std::string& output = "/dev/null",
                             const std::string& errors = "/dev/null")
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);

    ProcessRun run;
    auto start = std::chrono::steady_clock::now();
    pid_t pid;
    int status = 0;
    struct rusage usage {};
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0
        && ::wait4(pid, &status, 0, &usage) == pid)
        run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakRssKiB = usage.ru_maxrss;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace mondeliar::bench
