// Publishing the fourteen pages of a full calendar over SFTP, against OpenSSH's own client.
// Each round times, in turns:
//
//   - our publish in this process, as the window runs it (PublishCalendar: write the
//     fourteen pages, connect, check the host key, log on, store each page as its part file
//     and rename it into place);
//   - the same as a whole mondeliar-cli process, which loads the calendar first;
//   - `sftp -b` putting the same fourteen pages under their own names.
//
// All three go to one Debian OpenSSH server (tests/support/ssh_servers.h), each into a folder
// of its own, logging on with the same key and knowing the server's key beforehand; on
// loopback and through a proxy that delays everything as a 50 ms round trip would
// (tests/net/latency_proxy.py as a plain TCP proxy).
//
//   sftp_publish_bench [ROUNDS [RTT_MS,...]]   (10 rounds, round trips "0,50")

#include "base/files.h"
#include "bench_calendar.h"
#include "publish/publish_command.h"
#include "run_process.h"
#include "support/ssh_servers.h"
#include "upload_commands.h"

#include <QCoreApplication>

#include <cstdio>
#include <sstream>

namespace mondeliar {
namespace {

using bench::Median;
using testing::ReadFile;
using testing::TempDir;

const Date Launch{2002, 2, 5};

enum Uploader { InProcess, WholeCli, SftpBatch, UploaderCount };
const char* const UploaderNames[UploaderCount]
    = {"ours, in process", "ours, mondeliar-cli", "sftp -b, 14 puts"};
const char* const RemoteFolders[UploaderCount] = {"ours/", "cli/", "sftp/"};

// The calendars of this process and of mondeliar-cli: full, their pages in "site/",
// publishing over SFTP to their folder in `remote`.
void PrepareCalendar(const std::string& folder, const testing::OpenSshServer& server, int port,
                     const std::string& remoteDir)
{
    testing::RecordingMessages messages;
    CalendarContext context(ExecutableFolder(), folder, Launch, messages);
    StartUp(context);
    std::filesystem::create_directory(folder + "site");
    std::filesystem::create_directories(remoteDir);
    CalendarSettings& s = context.Settings;
    s.HTMLPATH = folder + "site/";
    s.FTPHOST = "127.0.0.1";
    s.FTPPORT = std::to_string(port);
    s.FTPUSER = server.User();
    s.FTPREMOTEDIR = remoteDir;
    s.SFTP = true;
    s.SFTPKEYFILE = server.ClientKey();
    s.SFTPHOSTKEY = server.HostKeyFingerprint();
    SaveConfig(s, context.SettingsFileName, SaveMode::Current, ExecutableFolder());
    bench::FillNotes(context.Entries, Launch.Year);
    context.Entries.SaveEntries();
    bench::FillRecurring(context.Recurring);
    SaveRecurring(context.Recurring, context.RecurringFileName());
}

// The OpenSSH server, behind the delaying proxy when `rttMs` > 0, and what each uploader
// needs to reach it.
class Stand {
public:
    explicit Stand(int rttMs)
    {
        if (server_.Port() == 0)
            return;
        port_ = server_.Port();
        if (rttMs > 0) {
            proxy_ = std::make_unique<testing::ServerProcess>(std::vector<std::string>{
                "/usr/bin/python3", std::string(MONDELIAR_SOURCE_DIR) + "/tests/net/latency_proxy.py",
                std::to_string(port_), std::to_string(rttMs)});
            port_ = proxy_->Port();
        }
        PrepareCalendar(work_.Path(), server_, port_, Remote(InProcess));
        PrepareCalendar(cliWork_.Path(), server_, port_, Remote(WholeCli));
        std::filesystem::create_directories(Remote(SftpBatch));
        WriteSftpFiles();
        context_ = std::make_unique<CalendarContext>(ExecutableFolder(), work_.Path(), Launch,
                                                     messages_);
        StartUp(*context_);
    }

    bool Ready() const { return port_ > 0 && context_; }

    bool Round(std::vector<double> (&milliseconds)[UploaderCount])
    {
        return PublishInProcess(milliseconds[InProcess])
               && Timed(bench::RunProcess({MONDELIAR_CLI, "--today", "2002-02-05", "publish"},
                                          cliWork_.Path()),
                        milliseconds[WholeCli])
               && Timed(bench::RunProcess(SftpCommand(), work_.Path()), milliseconds[SftpBatch]);
    }

    bool ServerHoldsThePages() const
    {
        bool same = true;
        for (int uploader = 0; uploader < UploaderCount; ++uploader) {
            const std::string pages = (uploader == WholeCli ? cliWork_ : work_) / "site/";
            for (const std::string& name : bench::PublishedPageNames())
                if (ReadFile(Remote(Uploader(uploader)) + name) != ReadFile(pages + name)) {
                    std::printf("MISMATCH: %s%s\n", RemoteFolders[uploader], name.c_str());
                    same = false;
                }
        }
        return same;
    }

private:
    std::string Remote(Uploader uploader) const { return remote_ / RemoteFolders[uploader]; }

    // The batch of puts, and a known_hosts that holds the server's key for the port used.
    void WriteSftpFiles()
    {
        std::string batch;
        for (const std::string& name : bench::PublishedPageNames())
            batch += "put " + work_ / ("site/" + name) + " " + Remote(SftpBatch) + name + "\n";
        testing::WriteFile(scratch_ / "batch", batch);
        std::string line = server_.KnownHostsLine();
        line = "[127.0.0.1]:" + std::to_string(port_) + line.substr(line.find(' '));
        testing::WriteFile(scratch_ / "known_hosts", line);
    }

    std::vector<std::string> SftpCommand() const
    {
        return {"/usr/bin/sftp", "-q", "-b", scratch_ / "batch", "-F", "/dev/null",
                "-i", server_.ClientKey(), "-P", std::to_string(port_),
                "-o", "UserKnownHostsFile=" + scratch_ / "known_hosts",
                "-o", "StrictHostKeyChecking=yes", "-o", "BatchMode=yes",
                server_.User() + "@127.0.0.1"};
    }

    bool PublishInProcess(std::vector<double>& milliseconds)
    {
        PublishRequest request;
        const auto start = std::chrono::steady_clock::now();
        const PublishOutcome outcome = PublishCalendar(*context_, request);
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - start;
        if (!outcome.Succeeded) {
            std::printf("FAILED: %s\n", outcome.Message.c_str());
            return false;
        }
        milliseconds.push_back(took.count());
        return true;
    }

    static bool Timed(const bench::ProcessRun& run, std::vector<double>& milliseconds)
    {
        if (!run.succeeded)
            std::printf("FAILED: a process\n");
        milliseconds.push_back(run.seconds * 1000);
        return run.succeeded;
    }

    testing::OpenSshServer server_;
    std::unique_ptr<testing::ServerProcess> proxy_;
    int port_ = 0;
    TempDir work_;     // the calendar published in this process
    TempDir cliWork_;  // the calendar mondeliar-cli publishes
    TempDir remote_;   // a folder on the server for each uploader
    TempDir scratch_;  // sftp's batch and known_hosts
    testing::RecordingMessages messages_;
    std::unique_ptr<CalendarContext> context_;
};

int Measure(int rttMs, int rounds)
{
    Stand stand(rttMs);
    if (!stand.Ready()) {
        std::printf("sshd or the proxy did not start\n");
        return 1;
    }
    std::vector<double> milliseconds[UploaderCount];
    for (int round = 0; round < rounds; ++round)
        if (!stand.Round(milliseconds))
            return 1;
    std::printf("\n%s, %d rounds:\n",
                rttMs > 0 ? ("round trip " + std::to_string(rttMs) + " ms").c_str() : "loopback",
                rounds);
    std::printf("  %-24s %10s %10s\n", "", "median", "min");
    for (int uploader = 0; uploader < UploaderCount; ++uploader) {
        const std::vector<double>& t = milliseconds[uploader];
        std::printf("  %-24s %7.1f ms %7.1f ms\n", UploaderNames[uploader], Median(t),
                    *std::min_element(t.begin(), t.end()));
    }
    const double sftp = Median(milliseconds[SftpBatch]);
    std::printf("  ours / sftp -b (medians): in process %.2f, mondeliar-cli %.2f (target: at "
                "most 1.2)\n",
                Median(milliseconds[InProcess]) / sftp, Median(milliseconds[WholeCli]) / sftp);
    return stand.ServerHoldsThePages() ? 0 : 1;
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const auto [rounds, roundTrips] = mondeliar::bench::ParseRoundsAndRoundTrips(argc, argv, 10);
    std::printf("Publishing the fourteen pages of a full calendar over SFTP; figures per "
                "publish.\n");
    int status = 0;
    for (int rttMs : roundTrips)
        status = mondeliar::Measure(rttMs, rounds) != 0 ? 1 : status;
    return status;
}
