// A 50 MB upload in active mode (after TYPE I) to pyftpdlib on loopback, by
// our FTP client and by curl, in the same run against the same server. Each
// iteration is a whole session: log on, TYPE I, PORT, STOR, QUIT.
//
//   cmake -S . -B build/bench -DMONDELIAR_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/bench --target net_bench && build/bench/bench/net_bench

#include "net/ftp_client.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr size_t kFileSize = 50u << 20;
constexpr const char* kUser = "tester";
constexpr const char* kPassword = "secret";

struct Fixture {
    std::string root;  // server root
    std::string file;  // the 50 MB source
    int server_pid = -1;
    int port = 0;
    double client_rate = 0;  // bytes per second of the last run
    double curl_rate = 0;
};

Fixture g_fixture;

bool StartServer(Fixture& f)
{
    char pattern[] = "/tmp/mondeliar-bench-XXXXXX";
    f.root = mkdtemp(pattern);
    int out[2];
    if (pipe(out) != 0)
        return false;
    const std::string script = std::string(MONDELIAR_SOURCE_DIR) + "/tests/net/ftp_server.py";
    f.server_pid = fork();
    if (f.server_pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl("/usr/bin/python3", "python3", script.c_str(), f.root.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    // The port arrives as one line; a read may return part of it.
    std::string line;
    pollfd entry{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&entry, 1, 10000) > 0) {
        char chunk[32];
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0)
            break;
        line.append(chunk, static_cast<size_t>(n));
    }
    close(out[0]);
    f.port = std::atoi(line.c_str());
    return f.port > 0;
}

void StopServer(Fixture& f)
{
    if (f.server_pid > 0) {
        kill(f.server_pid, SIGTERM);
        waitpid(f.server_pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(f.root, ignored);
    std::filesystem::remove(f.file, ignored);
}

void MakeSourceFile(Fixture& f)
{
    f.file = f.root + "-source.bin";
    std::string bytes(kFileSize, '\0');
    uint32_t state = 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    std::ofstream(f.file, std::ios::binary) << bytes;
}

bool StoredCompletely(const Fixture& f, const std::string& name)
{
    std::error_code error;
    return std::filesystem::file_size(f.root + "/" + name, error) == kFileSize;
}

// One whole session storing source; fails the benchmark on any error.
void RunClientSessions(benchmark::State& state, const std::string& source, const std::string& name,
                       size_t expected_size)
{
    Fixture& f = g_fixture;
    mondeliar::net::TFtpClient client;
    client.SetHostName("127.0.0.1");
    client.SetPort(std::to_string(f.port));
    client.SetUserName(kUser);
    client.SetPassWord(kPassword);
    client.SetLocalFileName(source);
    client.SetHostFileName("/" + name);
    std::string last_lines;
    client.OnDisplay = [&last_lines](const std::string& line) {
        last_lines += line + "\n";
        if (last_lines.size() > 2000)
            last_lines.erase(0, last_lines.size() - 2000);
    };
    for (auto _ : state) {
        const bool ok = client.OpenSession() && client.TypeBinary() && client.StoreFile()
                        && client.QuitSession();
        std::error_code error;
        if (!ok || std::filesystem::file_size(f.root + "/" + name, error) != expected_size) {
            std::fprintf(stderr, "%s", last_lines.c_str());
            state.SkipWithError(("upload failed: " + client.ErrorMessage()).c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * expected_size));
}

void BM_UploadMondeliarClient(benchmark::State& state)
{
    RunClientSessions(state, g_fixture.file, "mondeliar.bin", kFileSize);
}

// The fixed part of every session: log on, TYPE, PORT, STOR, the 100 ms
// pause before the data connection is closed at end of file, QUIT.
void BM_SessionWithEmptyFile(benchmark::State& state)
{
    const std::string empty = g_fixture.file + ".empty";
    std::ofstream(empty, std::ios::binary).close();
    RunClientSessions(state, empty, "empty.bin", 0);
    std::remove(empty.c_str());
}

void BM_UploadCurl(benchmark::State& state)
{
    Fixture& f = g_fixture;
    const std::string command = "curl -s -T '" + f.file + "' ftp://" + kUser + ":" + kPassword
                                + "@127.0.0.1:" + std::to_string(f.port)
                                + "/curl.bin --ftp-port 127.0.0.1 --disable-eprt";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0 || !StoredCompletely(f, "curl.bin")) {
            state.SkipWithError("curl upload failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

BENCHMARK(BM_UploadMondeliarClient)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UploadCurl)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionWithEmptyFile)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps the two throughputs to print their ratio at the end.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (rate == run.counters.end() || run.error_occurred)
                continue;
            if (run.benchmark_name().find("Mondeliar") != std::string::npos)
                g_fixture.client_rate = rate->second;
            else if (run.benchmark_name().find("Curl") != std::string::npos)
                g_fixture.curl_rate = rate->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!StartServer(g_fixture)) {
        std::fprintf(stderr, "pyftpdlib did not start\n");
        StopServer(g_fixture);
        return 1;
    }
    MakeSourceFile(g_fixture);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    StopServer(g_fixture);
    if (g_fixture.client_rate > 0 && g_fixture.curl_rate > 0) {
        std::printf("\nour client %.1f MB/s, curl %.1f MB/s, ratio %.2f (target: at least 0.50)\n",
                    g_fixture.client_rate / 1e6, g_fixture.curl_rate / 1e6,
                    g_fixture.client_rate / g_fixture.curl_rate);
    }
    benchmark::Shutdown();
    return 0;
}
