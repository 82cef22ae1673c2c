#pragma once
// One transfer on the data connection of an FTP session (RFC 959 section 3.2): the connection
// (the server's to our port in active mode, ours to the server's in passive mode), TLS on it
// (RFC 4217 section 9), the local file and its chunks. Every PORT/PASV step starts a new one;
// the session hands it the replies to the transfer command, and it reports back once, at its
// end. The 1xx reply and the server's connection may come in either order, and so may the
// final reply and the close: sending starts once the first two are in (with TLS: and the
// handshake is done), the transfer ends once the last two are.

#include "net/sync_wsocket.h"
#include "net/tls_context.h"

#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace mondeliar::net {

class EventTarget;

class DataTransfer {
public:
    static constexpr int kChunkSize = 1460;        // one read of an uploaded file
    static constexpr int kReceiveChunk = 4096;     // one read of a download
    static constexpr int kEndOfFilePauseMs = 100;  // before the data connection is closed

    enum class Direction { Upload, Download };

    // How far the transfer has come; every change goes through SetPhase.
    enum class Phase {
        Idle,                // created by the PORT/PASV step; nothing asked of the network yet
        Listening,           // active mode: our port waits for the server's connection
        Connecting,          // passive mode: connecting to the server's port
        AwaitingReply,       // connected; the 1xx reply to the transfer command is awaited
        AwaitingConnection,  // active mode: the 1xx reply came before the server's connection
        Handshaking,         // TLS on the connection, begun once both are in
        Sending,             // upload: the file goes out chunk by chunk
        Receiving,           // download: what comes in goes to the local file
        Draining,            // upload: every byte handed over; the close follows a short pause
        Closing,             // upload: this side closes after the whole file
        Closed,              // the connection closed; the final reply may still be awaited
        Done,                // ended and reported
    };

    // What the transfer reports when it has ended.
    struct Outcome {
        enum class Kind {
            Completed,         // confirmed by the server, and nothing failed
            Failed,            // confirmed by the server, but this side or the connection failed
            Refused,           // the server refused or failed it (its reply)
            DataRefused,       // active mode: the server replied 425, nothing having failed here
            NoDataConnection,  // active mode: the server's connection did not come in time
            Unreachable,       // passive mode: the server's data port could not be reached
        };
        Kind kind = Kind::Completed;
        int code = 0;         // the reply code the request ends with
        int error = 0;        // what the request reports, when not `code` (0: code)
        std::string failure;  // the failure text; already in the log when it belongs there
    };

    // What the transfer asks of the session that runs it.
    struct Hooks {
        std::function<void(const std::string& line)> log;  // a line of the session log
        std::function<bool(long long count)> progress;     // bytes so far; false: abort
        std::function<void(std::string& text)> show;       // display-file mode: what came
        std::function<void(const std::function<void()>& work)> guarded;  // its own events
        std::function<void()> connected;  // passive mode: the transfer command may go now
        std::function<void(const Outcome& outcome)> ended;  // once, as its last act
    };

    // Takes over the data socket of the session (and of the transfer before). With PROT P the
    // connection uses TLS: the session's context, checked against its host name.
    DataTransfer(std::unique_ptr<TWSocket> socket, const Hooks& hooks,
                 std::shared_ptr<TlsContext> tls = nullptr, const std::string& tls_host = "");
    ~DataTransfer();
    // Gives the socket to the next transfer, closed and without this one's handlers.
    std::unique_ptr<TWSocket> ReleaseSocket();

    TWSocket& Socket() { return *socket_; }
    bool Uploads() const { return direction_ == Direction::Upload; }
    long long Count() const { return count_; }
    // A failed TLS handshake, while the transfer's request runs: what the server's replies
    // (or its silence) follow from, and so the request's first error. Empty otherwise.
    std::string Cause() const
    {
        return phase_ != Phase::Done && closed_in_ == Phase::Handshaking ? failure_ : "";
    }

    // The PORT step: listens on `address` and returns the port.
    int Listen(const std::string& address);
    // The transfer step opens the local file (false: it cannot be); display-only downloads
    // have none.
    bool Open(Direction direction, const std::string& file_name, long long restart_offset,
              bool display_only);
    // Active mode, once the transfer command went: the connection from `server` (and no one
    // else) is taken; without it in limit_ms (0: no limit) the transfer ends.
    void AwaitConnection(const std::string& server, int limit_ms);
    // Passive mode: the connection to the server's port (the socket configured for it).
    void Connect(const std::string& address, const std::string& port,
                 const std::string& local_address);
    // The server's replies to the transfer command: its 1xx, its final reply of success, or a
    // refusal at either point.
    void Accepted();
    void Completed();
    void Refused(int code, const std::string& reply_line);

    void CloseFile();
    void CloseConnection();
    void Stop();  // the request ended: the connection closed, the transfer Done

private:
    void After(int ms, const std::function<void()>& work);
    void SetPhase(Phase phase);
    void InstallConnectionHandlers();
    void ClearHandlers();
    void OnAccept();
    void OnConnected(int error);
    void ConnectionUp();
    void StartHandshake();
    void OnTlsDone(int error);
    void Ready();
    void StartSending();
    void SendNextChunk(int error);
    void ReceiveData();
    bool ReportProgress();
    void Fail(const std::string& what);
    void OnClosed(int error);
    void Finish(const Outcome& outcome);
    void End(const Outcome& outcome);
    Outcome Verdict();
    void Log(const std::string& line) { hooks_.log(line); }
    qint64 NowMs() const { return clock_.elapsed() + 1; }

    std::unique_ptr<TWSocket> socket_;
    Hooks hooks_;
    std::shared_ptr<TlsContext> tls_;  // null: a plain connection
    std::string tls_host_;
    EventTarget* target_ = nullptr;  // its posted event and timers
    QElapsedTimer clock_;
    Phase phase_ = Phase::Idle;
    Phase closed_in_ = Phase::Idle;  // where the connection was when it closed
    bool confirmed_ = false;         // the final reply (before or after the close) said done
    Direction direction_ = Direction::Download;
    bool passive_ = false;
    bool display_only_ = false;  // a download shown through Hooks::show, not stored
    std::string server_;         // active mode: the only peer whose connection counts
    std::string file_name_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
    long long restart_offset_ = 0;
    long long source_size_ = 0;  // bytes of the local file to send (from the offset)
    long long count_ = 0;
    qint64 start_ = 0;  // first byte's time (0: none); 1-based clock
    int close_error_ = 0;
    std::string failure_;  // the first failure of this side, logged at the time
    char chunk_[kChunkSize] = {};
};

}  // namespace mondeliar::net
