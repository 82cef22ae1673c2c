// A 50 MB upload in active mode (after TYPE I) to pyftpdlib on loopback, by
// our FTP client and by curl, in the same run against the same server. Each
// iteration is a whole session: log on, TYPE I, PORT, STOR, QUIT.
//
//   cmake -S . -B build/bench -DMONDELIAR_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build/bench --target net_bench && build/bench/bench/net_bench

#include "net/ftp_client.h"
#include "support/ftp_server_process.h"

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
    int port = 0;
    double client_rate = 0;  // bytes per second of the last run
    double curl_rate = 0;
};

Fixture g_fixture;

void RemoveFiles(const Fixture& f)
{
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
    char pattern[] = "/tmp/mondeliar-bench-XXXXXX";
    g_fixture.root = mkdtemp(pattern);
    mondeliar::testing::FtpServerProcess server(g_fixture.root);
    g_fixture.port = server.Port();
    if (g_fixture.port <= 0) {
        std::fprintf(stderr, "pyftpdlib did not start\n");
        RemoveFiles(g_fixture);
        return 1;
    }
    MakeSourceFile(g_fixture);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    RemoveFiles(g_fixture);
    if (g_fixture.client_rate > 0 && g_fixture.curl_rate > 0) {
        std::printf("\nour client %.1f MB/s, curl %.1f MB/s, ratio %.2f (target: at least 0.50)\n",
                    g_fixture.client_rate / 1e6, g_fixture.curl_rate / 1e6,
                    g_fixture.client_rate / g_fixture.curl_rate);
    }
    benchmark::Shutdown();
    return 0;
}
