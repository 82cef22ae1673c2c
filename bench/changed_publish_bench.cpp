// Publishing after one changed note, the way a calendar is kept: a full calendar, a first
// publish of everything, then rounds in which one note changes and the change goes up. The
// note is on a month page and on calendar.html; every third round or so it is in the
// current month, whose page goes up as current.html too. Each round times, in turns:
//
//   - our changed-only publish in this process, as the window runs it (PublishCalendar:
//     write the fourteen pages, compare them with the sent record, store the two or three
//     that changed);
//   - the same as a whole mondeliar-cli process, which loads the calendar first, on a copy
//     of the calendar that gets the same change;
//   - curl storing all fourteen pages in one session;
//   - lftp `mirror -R --only-newer` of the page folder as the write command leaves it, where
//     every page was written anew and so is newer than the server's;
//   - the same mirror of a folder in which only the pages whose bytes changed were replaced:
//     lftp's best case, were the pages written only when they change.
//
// Every uploader has a folder of its own on one pyftpdlib server, so that no one's uploads
// satisfy another's comparison. All run in passive mode, on loopback and through a proxy
// that delays everything as a 50 ms round trip would (tests/net/latency_proxy.py). lftp is
// optional (scripts/install-check-tools.sh installs it); without it its rows are skipped.
//
//   changed_publish_bench [ROUNDS [RTT_MS,...]]   (10 rounds, round trips "0,50")

#include "base/files.h"
#include "bench_calendar.h"
#include "publish/publish_command.h"
#include "run_process.h"
#include "support/ftp_server_process.h"
#include "upload_commands.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <numeric>
#include <sstream>
#include <sys/stat.h>

namespace mondeliar {
namespace {

using bench::Median;
using bench::ProcessRun;
using bench::RunProcess;
using testing::ReadFile;
using testing::TempDir;

const char* const Curl = "/usr/bin/curl";
const char* const Lftp = "/usr/bin/lftp";
const Date Launch{2002, 2, 5};

// The month of the note each round changes; February is the current month.
constexpr int ChangedMonths[] = {7, 2, 11, 4, 9, 2, 5, 12, 2, 8};

// The pages' mtime in round 0, and each round a minute later: lftp compares whole seconds,
// and the rounds are far less than a second apart on loopback.
const std::time_t FirstPageTime = std::time(nullptr) / 60 * 60 - 24 * 60 * 60;

enum Uploader { InProcess, WholeCli, CurlAll, LftpWritten, LftpChanged, UploaderCount };

const char* const UploaderNames[UploaderCount] = {
    "ours, changed only, in process",
    "ours, changed only, mondeliar-cli",
    "curl, all 14 pages",
    "lftp mirror -R --only-newer, page folder",
    "lftp mirror, only changed pages replaced",
};

// Where each uploader's pages go on the server.
const char* const RemoteFolders[UploaderCount]
    = {"/ours/", "/cli/", "/curl/", "/lftp-written/", "/lftp-changed/"};

struct Timings {
    std::vector<double> Milliseconds;
    std::vector<int> Files;  // stored per round, where known
};

std::tm FixedMoment()
{
    std::tm moment{};
    moment.tm_year = Launch.Year - 1900;
    moment.tm_mon = Launch.Month - 1;
    moment.tm_mday = Launch.Day;
    moment.tm_hour = 10;
    return moment;
}

void SetModified(const std::string& path, std::time_t when)
{
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// A page as the server keeps it: ours are stored in the server's ASCII type (without CR),
// and a page of mondeliar-cli that was not sent keeps its older last-updated line.
std::string Comparable(const std::string& page)
{
    std::istringstream lines(page);
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("This page was last updated on ", 0) != 0)
            text += line + "\n";
    }
    return text;
}

// A full default calendar in `folder`, its pages in "site/", publishing only what changed,
// in passive mode, to `remoteDir` on the server at `port`.
void PrepareCalendar(const std::string& folder, int port, const std::string& remoteDir)
{
    testing::RecordingMessages messages;
    CalendarContext context(ExecutableFolder(), folder, Launch, messages);
    StartUp(context);
    std::filesystem::create_directory(folder + "site");
    CalendarSettings& s = context.Settings;
    s.HTMLPATH = folder + "site/";
    s.FTPHOST = "127.0.0.1";
    s.FTPPORT = std::to_string(port);
    s.FTPUSER = "tester";
    s.FTPPASSWORD = "secret";
    s.FTPREMOTEDIR = remoteDir;
    s.FTPPASSIVE = true;
    s.FTPCHANGEDONLY = true;
    SaveConfig(s, context.SettingsFileName, SaveMode::Current, ExecutableFolder());
    bench::FillNotes(context.Entries, Launch.Year);
    context.Entries.SaveEntries();
    bench::FillRecurring(context.Recurring);
    SaveRecurring(context.Recurring, context.RecurringFileName());
}

// lftp's account of a mirror (-v): a line "Transferring file `name'" per file sent.
int MirroredFiles(const std::string& account)
{
    int files = 0;
    const std::string line = "Transferring file ";
    for (std::size_t at = account.find(line); at != std::string::npos;
         at = account.find(line, at + line.size()))
        ++files;
    return files;
}

// One server (behind the delaying proxy when `rttMs` > 0) with a folder per uploader, the
// calendar published in this process, and the copy mondeliar-cli publishes.
class Stand {
public:
    explicit Stand(int rttMs)
        : rttMs_(rttMs)
        , server_(root_.Path(), "", "",
                  rttMs > 0 ? "--rtt-ms=" + std::to_string(rttMs) : std::string())
    {
        for (const char* folder : RemoteFolders)
            std::filesystem::create_directory(root_.Path() + (folder + 1));
        std::filesystem::create_directory(scratch_ / "site");
        if (server_.Port() == 0)
            return;
        PrepareCalendar(work_.Path(), server_.Port(), RemoteFolders[InProcess]);
        PrepareCalendar(cliWork_.Path(), server_.Port(), RemoteFolders[WholeCli]);
        context_ = std::make_unique<CalendarContext>(ExecutableFolder(), work_.Path(), Launch,
                                                     messages_);
        StartUp(*context_);
    }

    bool Ready() const { return context_ != nullptr; }

    // Everyone's first publish: every page goes up.
    bool Prime()
    {
        Timings ignored[UploaderCount];
        return Round(0, ignored);
    }

    // Changes the note of `round` (none in round 0), then lets each uploader publish.
    bool Round(int round, Timings (&timings)[UploaderCount])
    {
        if (round > 0)
            ChangeNote(round);
        bool ok = PublishInProcess(timings[InProcess]);
        ok = PublishWithCli(timings[WholeCli]) && ok;
        ok = Timed(RunProcess(CurlUpload(), work_.Path()), CurlAll, timings[CurlAll], 14) && ok;
        if (!LftpInstalled())
            return ok;
        for (const std::string& name : bench::PublishedPageNames())
            SetModified(Page(name), FirstPageTime + 60 * round);
        ok = Mirror(Page(""), LftpWritten, timings[LftpWritten]) && ok;
        ReplaceChangedPages(round);
        return Mirror(scratch_ / "site/", LftpChanged, timings[LftpChanged]) && ok;
    }

    // Whether every uploader's folder on the server holds the pages it was given.
    bool ServerHoldsThePages() const
    {
        const std::string sources[UploaderCount]
            = {Page(""), cliWork_ / "site/", Page(""), Page(""), scratch_ / "site/"};
        bool same = true;
        for (int uploader = 0; uploader < UploaderCount; ++uploader) {
            if (!LftpInstalled() && uploader >= LftpWritten)
                break;
            for (const std::string& name : bench::PublishedPageNames()) {
                const std::string remote = root_.Path() + (RemoteFolders[uploader] + 1) + name;
                if (Comparable(ReadFile(remote))
                    != Comparable(ReadFile(sources[uploader] + name))) {
                    std::printf("MISMATCH: %s%s\n", RemoteFolders[uploader], name.c_str());
                    same = false;
                }
            }
        }
        return same;
    }

    static bool LftpInstalled() { return ::access(Lftp, X_OK) == 0; }

private:
    std::string Page(const std::string& name) const { return work_ / "site/" + name; }

    // As the note editor does: one record changed, the notes file saved; the copy for
    // mondeliar-cli gets the same file.
    void ChangeNote(int round)
    {
        const int month = ChangedMonths[(round - 1) % std::size(ChangedMonths)];
        const int day = (round - 1) % 28 + 1;
        // bench::FillNotes puts month m, day d of the launch year in slot (m - 1) * 28 + d.
        context_->Entries.Slot((month - 1) * 28 + day).Notes[0]
            = "Changed in round " + std::to_string(round);
        context_->Entries.SaveEntries();
        const std::string notes = "calendars/default calendar";
        std::filesystem::copy_file(work_ / notes, cliWork_ / notes,
                                   std::filesystem::copy_options::overwrite_existing);
    }

    bool PublishInProcess(Timings& timings)
    {
        PublishRequest request;
        request.Hooks.Now = FixedMoment;  // unchanged pages keep their bytes, for lftp
        int files = 0;
        request.Progress = [&files](int, int count, const std::string&) { files = count; };
        const auto start = std::chrono::steady_clock::now();
        const PublishOutcome outcome = PublishCalendar(*context_, request);
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - start;
        if (!outcome.Succeeded) {
            std::printf("FAILED: %s\n", outcome.Message.c_str());
            return false;
        }
        timings.Milliseconds.push_back(took.count());
        timings.Files.push_back(files);
        return true;
    }

    // Its last message: "Calendar files sent to 127.0.0.1: 2 changed, 12 unchanged".
    bool PublishWithCli(Timings& timings)
    {
        const std::string messages = scratch_ / "messages";
        const bool ok = Timed(RunProcess({MONDELIAR_CLI, "--today", "2002-02-05", "publish"},
                                         cliWork_.Path(), "/dev/null", messages),
                              WholeCli, timings);
        const std::string said = ReadFile(messages);
        const std::size_t count = said.rfind(": ");
        if (ok && count != std::string::npos)
            timings.Files.push_back(std::atoi(said.c_str() + count + 2));
        return ok;
    }

    // Passive mode with PASV, as ours, through the proxy. On loopback, curl 7.88 in passive
    // mode now and then lets a second go by before it opens the data connection (its own
    // timer runs out; a reply that comes later wakes it in time), so there it runs in active
    // mode, as in publish_bench.
    std::vector<std::string> CurlUpload() const
    {
        std::vector<std::string> arguments
            = {Curl, "-s", "-T", bench::CurlPageList(Page("")),
               bench::TestServerUrl(server_.Port(), RemoteFolders[CurlAll])};
        const std::vector<std::string> mode
            = rttMs_ > 0 ? std::vector<std::string>{"--disable-epsv"}
                         : std::vector<std::string>{"--ftp-port", "127.0.0.1", "--disable-eprt"};
        arguments.insert(arguments.end(), mode.begin(), mode.end());
        return arguments;
    }

    // lftp as it comes (passive mode, one file at a time), except that it does not first
    // ask for TLS, which neither curl nor our plain publish does; a stuck session ends.
    bool Mirror(const std::string& folder, Uploader uploader, Timings& timings)
    {
        const std::string script
            = "set ftp:ssl-allow no; set net:max-retries 2; set net:timeout 15; open "
              + bench::TestServerUrl(server_.Port(), "/") + "; mirror -R --only-newer -v '" + folder
              + "' " + RemoteFolders[uploader];
        const std::string account = scratch_ / "messages";
        const bool ok
            = Timed(RunProcess({Lftp, "-c", script}, work_.Path(), account), uploader, timings);
        if (ok)
            timings.Files.push_back(MirroredFiles(ReadFile(account)));
        return ok;
    }

    // The best case for lftp: a page goes into its folder only when its bytes changed, and
    // then with the round's time.
    void ReplaceChangedPages(int round)
    {
        for (const std::string& name : bench::PublishedPageNames()) {
            const std::string copy = scratch_ / "site/" + name;
            if (round > 0 && ReadFile(copy) == ReadFile(Page(name)))
                continue;
            std::filesystem::copy_file(Page(name), copy,
                                       std::filesystem::copy_options::overwrite_existing);
            SetModified(copy, FirstPageTime + 60 * round);
        }
    }

    static bool Timed(const ProcessRun& run, Uploader uploader, Timings& timings, int files = -1)
    {
        if (!run.succeeded) {
            std::printf("FAILED: %s\n", UploaderNames[uploader]);
            return false;
        }
        timings.Milliseconds.push_back(run.seconds * 1000);
        if (files >= 0)
            timings.Files.push_back(files);
        return true;
    }

    int rttMs_;        // 0: plain loopback
    TempDir root_;     // the server's folder
    TempDir work_;     // the calendar published in this process
    TempDir cliWork_;  // the calendar mondeliar-cli publishes
    TempDir scratch_;  // lftp's best-case page folder ("site/"), what the uploaders said
    testing::FtpServerProcess server_;
    testing::RecordingMessages messages_;
    std::unique_ptr<CalendarContext> context_;
};

void PrintTable(int rttMs, int rounds, const Timings (&timings)[UploaderCount])
{
    std::printf("\n%s, %d rounds, passive mode%s:\n",
                rttMs > 0 ? ("round trip " + std::to_string(rttMs) + " ms").c_str() : "loopback",
                rounds, rttMs > 0 ? "" : " (curl: active)");
    std::printf("  %-44s %10s %10s %8s\n", "", "median", "min", "files");
    for (int uploader = 0; uploader < UploaderCount; ++uploader) {
        const Timings& t = timings[uploader];
        if (t.Milliseconds.empty()) {
            std::printf("  %-44s (skipped: lftp is not installed)\n", UploaderNames[uploader]);
            continue;
        }
        char files[16] = "";
        if (!t.Files.empty())
            std::snprintf(files, sizeof files, "%.1f",
                          std::accumulate(t.Files.begin(), t.Files.end(), 0.0)
                              / static_cast<double>(t.Files.size()));
        std::printf("  %-44s %7.1f ms %7.1f ms %8s\n", UploaderNames[uploader],
                    Median(t.Milliseconds),
                    *std::min_element(t.Milliseconds.begin(), t.Milliseconds.end()), files);
    }
    const double curl = Median(timings[CurlAll].Milliseconds);
    std::printf("  ours / curl (medians): in process %.2f, mondeliar-cli %.2f%s\n",
                Median(timings[InProcess].Milliseconds) / curl,
                Median(timings[WholeCli].Milliseconds) / curl,
                rttMs == 50 ? " (target: at most 0.5)" : "");
}

int Measure(int rttMs, int rounds)
{
    Stand stand(rttMs);
    if (!stand.Ready()) {
        std::printf("pyftpdlib did not start\n");
        return 1;
    }
    if (!stand.Prime()) {
        std::printf("the first publish failed\n");
        return 1;
    }
    Timings timings[UploaderCount];
    for (int round = 1; round <= rounds; ++round)
        if (!stand.Round(round, timings))
            return 1;
    PrintTable(rttMs, rounds, timings);
    return stand.ServerHoldsThePages() ? 0 : 1;
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const auto [rounds, roundTrips] = mondeliar::bench::ParseRoundsAndRoundTrips(argc, argv, 10);
    std::printf("Publishing a full calendar after one changed note; figures per publish.\n");
    if (!mondeliar::Stand::LftpInstalled())
        std::printf("lftp is not installed (scripts/install-check-tools.sh installs it): its "
                    "rows are skipped.\n");
    int status = 0;
    for (int rttMs : roundTrips)
        status = mondeliar::Measure(rttMs, rounds) != 0 ? 1 : status;
    return status;
}
