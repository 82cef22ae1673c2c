// Soak: one calendar, PublishCalendar (each with an FTP client of its own) again and again
// against pyftpdlib on loopback in one process, the way the main window publishes. Whatever a publish leaves
// behind (a descriptor, a socket object, a queued event, a timer, memory) adds up here.
// Prints the figures before and after; exits 1 when one of the counts grew. Runs the soak in
// plain FTP, then over TLS (half as many publishes), so every SSL object, context and
// session is seen to go too.
//
//   publish_soak_bench [RUNS [tls]]   (200 by default; "tls": only RUNS publishes over TLS)

#include "base/files.h"
#include "config/calendar_context.h"
#include "net/wsocket.h"
#include "net/posted_events.h"
#include "publish/publish_command.h"
#include "support/ftp_server_process.h"
#include "support/test_support.h"
#include "support/tls_certificates.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>

namespace mondeliar {
namespace {

// The allocator and Qt's tables settle within a few publishes; 200 publishes that each
// kept a few hundred bytes would exceed this.
constexpr long long kHeapGrowthAllowed = 64 * 1024;
constexpr int kWarmUpPublishes = 5;

struct Snapshot {
    long descriptors = 0;
    long rss_kib = 0;
    long long heap_bytes = 0;  // allocated and not freed
    int sockets = 0;
    int queued_events = 0;
    int event_targets = 0;
    int next_timer_id = 0;
};

long OpenDescriptors()
{
    long count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count - 1;  // the iterator's own
}

long ResidentKib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Qt reuses the numbers of stopped timers: a number that keeps growing means timers that
// are never stopped.
int NextTimerId()
{
    QTimer probe;
    probe.start(60000);
    const int id = probe.timerId();
    probe.stop();
    return id;
}

Snapshot Take()
{
    // Let whatever is still queued from the last publish run first.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    Snapshot s;
    s.descriptors = OpenDescriptors();
    s.rss_kib = ResidentKib();
    s.heap_bytes = static_cast<long long>(mallinfo2().uordblks);
    s.sockets = net::TCustomWSocket::LiveSocketCount();
    s.queued_events = net::NetEvent::LiveCount();
    s.event_targets = net::EventTarget::LiveCount();
    s.next_timer_id = NextTimerId();
    return s;
}

void Print(const char* when, const Snapshot& s)
{
    std::printf("%-6s descriptors %3ld  RSS %6ld KiB  heap %9lld bytes  sockets %d  "
                "queued events %d  event targets %d  next timer id %d\n",
                when, s.descriptors, s.rss_kib, s.heap_bytes, s.sockets, s.queued_events,
                s.event_targets, s.next_timer_id);
}

int Soak(int runs, bool tls)
{
    std::printf("%s\n", tls ? "Over TLS:" : "Plain FTP:");
    testing::TempDir work;  // the data folder with the default calendar
    testing::TempDir root;  // the server's folder
    const testing::TestCertificate cert = testing::TestCertificates::Get().SelfSigned();
    if (tls && !testing::TestCertificates::Get().Ready()) {
        std::fprintf(stderr, "the openssl command failed\n");
        return 1;
    }
    testing::FtpServerProcess server(root.Path(), tls ? cert.CertFile : "",
                                     tls ? cert.KeyFile : "");
    if (server.Port() == 0) {
        std::fprintf(stderr, "pyftpdlib did not start\n");
        return 1;
    }
    std::filesystem::create_directories(work / "calendars");
    std::filesystem::create_directories(work / "site");
    testing::WriteFile(
        work / "calendars/default calendar.cfg",
        "HTMLPATH=" + (work / "site/")
            + "\r\nFTPHOST=127.0.0.1\r\nFTPPORT=" + std::to_string(server.Port())
            + "\r\nFTPUSER=tester\r\nFTPPASSWORD=secret\r\nFTPREMOTEDIR=/\r\n"
            + (tls ? "FTPTLS=TRUE\r\nFTPTLSFINGERPRINT=" + cert.Fingerprint + "\r\n" : ""));
    testing::RecordingMessages messages;
    CalendarContext context(ExecutableFolder(), work.Path(), Date{2002, 2, 5}, messages);
    StartUp(context);

    // The first publishes pay for what is set up once (Qt's event types, the allocator's
    // arenas, OpenSSL's caches of algorithms, which fill over the first few TLS sessions);
    // the soak starts after them.
    for (int warm_up = 0; warm_up < kWarmUpPublishes; ++warm_up) {
        if (!PublishCalendar(context).Succeeded) {
            std::fprintf(stderr, "a first publish failed\n");
            return 1;
        }
    }
    const Snapshot start = Take();
    Print("start", start);
    const auto began = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        const PublishOutcome outcome = PublishCalendar(context);
        if (!outcome.Succeeded) {
            std::fprintf(stderr, "publish %d failed: %s\n", run, outcome.Message.c_str());
            return 1;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    const Snapshot end = Take();
    Print("end", end);
    std::printf("%d publishes of 14 pages in %.1f s (%.0f ms each); RSS %+ld KiB, heap %+lld "
                "bytes\n",
                runs, took.count(), took.count() * 1000 / runs, end.rss_kib - start.rss_kib,
                end.heap_bytes - start.heap_bytes);
    const bool leaked = end.descriptors > start.descriptors || end.sockets > start.sockets
                        || end.queued_events > start.queued_events
                        || end.event_targets > start.event_targets
                        || end.next_timer_id > start.next_timer_id
                        || end.heap_bytes - start.heap_bytes > kHeapGrowthAllowed;
    if (leaked)
        std::printf("LEAK: a count grew over the soak\n");
    return leaked ? 1 : 0;
}

}  // namespace
}  // namespace mondeliar

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    if (runs <= 0)
        runs = 200;
    if (argc > 2 && std::string(argv[2]) == "tls")
        return mondeliar::Soak(runs, true);
    const int plain = mondeliar::Soak(runs, false);
    const int tls = mondeliar::Soak(std::max(1, runs / 2), true);
    return plain != 0 ? plain : tls;
}
