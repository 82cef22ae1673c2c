// Publishing a written calendar: `mondeliar-cli publish` as a whole process (write, log on,
// fourteen PORT/STOR pairs, QUIT) against curl storing the same fourteen pages in one
// session, both to the same pyftpdlib server on loopback; in plain FTP and over TLS
// (explicit FTPS, curl with --ssl-reqd). At the end: what TLS adds to each, against the
// target that it adds at most 20 % to our plain publish.
//
// curl 7.88 sends the data of an active-mode FTPS upload without TLS, and in passive mode
// starts the data connection's handshake before STOR, which pyftpdlib takes for a closed
// connection unless told otherwise (--early-data-tls): over TLS curl runs in passive mode,
// and mondeliar-cli is measured in both modes.

#include "support/ftp_server_process.h"
#include "support/test_support.h"
#include "support/tls_certificates.h"
#include "upload_commands.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace mondeliar {
namespace {

using testing::TempDir;
using testing::WriteFile;

std::map<std::string, double> g_milliseconds;  // mean real time per benchmark

struct PublishSetup {
    explicit PublishSetup(bool tls)
        : tls_(tls)
        , cert_(testing::TestCertificates::Get().SelfSigned())
        , server_(root_.Path(), tls ? cert_.CertFile : "", tls ? cert_.KeyFile : "",
                  tls ? "--early-data-tls" : "")
    {
        std::filesystem::create_directories(work_ / "calendars");
        std::filesystem::create_directories(work_ / "site");
        WriteFile(
            work_ / "calendars/default calendar.cfg",
            "HTMLPATH=" + (work_ / "site/")
                + "\r\nFTPHOST=127.0.0.1\r\nFTPPORT=" + std::to_string(server_.Port())
                + "\r\nFTPUSER=tester\r\nFTPPASSWORD=secret\r\nFTPREMOTEDIR=/\r\n"
                + (tls ? "FTPTLS=TRUE\r\nFTPTLSFINGERPRINT=" + cert_.Fingerprint + "\r\n" : ""));
    }

    bool Ready() const
    {
        return server_.Port() > 0 && (!tls_ || testing::TestCertificates::Get().Ready());
    }

    std::string Cli(const std::string& options = "") const
    {
        return "cd '" + work_.Path() + "' && '" MONDELIAR_CLI "' --today 2002-02-05 " + options
               + " publish 2>/dev/null";
    }

    // curl sends every file of the list over one control connection, in active mode in plain
    // FTP, in passive mode over TLS, where it trusts the server's self-signed certificate as
    // its CA.
    std::string Curl() const
    {
        return "curl -s -T '" + bench::CurlPageList(work_ / "site/") + "' "
               + bench::TestServerUrl(server_.Port(), "/")
               + (tls_ ? " --ssl-reqd --cacert '" + cert_.CertFile + "'"
                       : " --ftp-port 127.0.0.1 --disable-eprt");
    }

private:
    bool tls_;
    TempDir work_;  // the data folder with the default calendar
    TempDir root_;  // the server's folder
    testing::TestCertificate cert_;
    testing::FtpServerProcess server_;
};

void Run(benchmark::State& state, const PublishSetup& setup, const std::string& command)
{
    if (!setup.Ready()) {
        state.SkipWithError("the server (or its certificate) is not ready");
        return;
    }
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError(("failed: " + command).c_str());
}

void PublishWithMondeliarCli(benchmark::State& state, bool tls, const char* options)
{
    PublishSetup setup(tls);
    Run(state, setup, setup.Cli(options));
}

void PublishSamePagesWithCurl(benchmark::State& state, bool tls)
{
    PublishSetup setup(tls);
    if (setup.Ready() && std::system(setup.Cli().c_str()) != 0)  // the pages to send
        state.SkipWithError("mondeliar-cli publish failed");
    Run(state, setup, setup.Curl());
}

BENCHMARK_CAPTURE(PublishWithMondeliarCli, Plain, false, "")
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PublishSamePagesWithCurl, Plain, false)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PublishWithMondeliarCli, Tls, true, "")
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PublishWithMondeliarCli, TlsPassive, true, "--passive")
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PublishSamePagesWithCurl, Tls, true)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time to print what TLS adds at the end.
class TimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                g_milliseconds[run.benchmark_name()]
                    = run.real_accumulated_time * 1000 / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintTlsCost(const char* who, const std::string& name, const std::string& tls_variant)
{
    const auto plain = g_milliseconds.find(name + "/Plain/iterations:5/real_time");
    const auto tls = g_milliseconds.find(name + "/" + tls_variant + "/iterations:5/real_time");
    if (plain == g_milliseconds.end() || tls == g_milliseconds.end() || plain->second <= 0)
        return;
    std::printf("%-28s plain %7.1f ms, TLS %7.1f ms: TLS adds %+.1f %%\n", who, plain->second,
                tls->second, (tls->second / plain->second - 1) * 100);
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    mondeliar::TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    mondeliar::PrintTlsCost("mondeliar-cli (active)", "PublishWithMondeliarCli", "Tls");
    mondeliar::PrintTlsCost("mondeliar-cli (TLS passive)", "PublishWithMondeliarCli", "TlsPassive");
    mondeliar::PrintTlsCost("curl (TLS passive)", "PublishSamePagesWithCurl", "Tls");
    std::printf("(target: TLS adds at most 20 %% to our plain publish)\n");
    benchmark::Shutdown();
    return 0;
}
