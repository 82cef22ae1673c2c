#pragma once
// Running a program as a whole process for the benchmarks, without a shell between: its
// wall-clock time, its exit status and its peak memory. And what the publish benchmarks share:
// their command line and the median of what was timed.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
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

// "BENCH [ROUNDS [RTT_MS,...]]": the rounds (`rounds` when not given) and the round trips to
// measure at ("0,50" when not given).
struct RoundsAndRoundTrips {
    int Rounds;
    std::vector<int> RoundTrips;
};

inline RoundsAndRoundTrips ParseRoundsAndRoundTrips(int argc, char* argv[], int rounds)
{
    RoundsAndRoundTrips parsed{argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : rounds, {}};
    std::istringstream list(argc > 2 ? argv[2] : "0,50");
    for (std::string item; std::getline(list, item, ',');)
        parsed.RoundTrips.push_back(std::atoi(item.c_str()));
    return parsed;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace mondeliar::bench
