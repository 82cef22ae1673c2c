#pragma once
// A scripted FTP server on 127.0.0.1, for what a real server will not do, in the manner of a
// curl test case: it answers a whole session with default replies, a script overrides what one
// case needs (a reply, silence, a close, a flood, a misbehaving data connection), and the test
// asserts the commands the server recorded. It serves from its own thread. Where a case depends
// on the order of two events, the server waits for the client's event, never for time.
//
// Default replies: greeting 220; USER 331; PASS 230; PORT 200; PASV 227 (it listens);
// STOR 150, the data connection taken whole, 226; RNFR 350 (550 for a file it does not hold);
// RNTO 250 (it renames); DELE 250 (it deletes); QUIT 221, then it closes; anything else 500.

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace mondeliar::testing {

// What a rule's condition sees of the session.
struct FtpServerState {
    std::string argument;                      // of the command at hand
    bool passive = false;                      // data by the last PASV's port, not by PORT
    std::string renameFrom;                    // the argument of the last RNFR
    std::map<std::string, std::string> files;  // what the server holds: name -> bytes
};

// How a store's data connection is cut off.
enum class DataCut {
    Fin,    // a clean close of the server's side; the connection is closed when the session ends
    Reset,  // a reset
};

// The session a scripted server plays. A rule begins with On() or OnGreeting(); the methods
// after it shape that rule until the next one begins. For each command the first rule that
// matches is used, so a narrower rule goes before a wider one for the same verb. Replies are
// sent as given: each text carries its own line ends.
class FtpScript {
public:
    using Condition = std::function<bool(const FtpServerState&)>;

    // --- the session ----------------------------------------------------------------------
    // Connections served one after the other (1).
    FtpScript& Connections(int count)
    {
        connections_ = count;
        return *this;
    }
    // What a 227 names ("127,0,0,1").
    FtpScript& PassiveAddress(const std::string& commas)
    {
        passiveAddress_ = commas;
        return *this;
    }
    // Files held from the start, empty.
    FtpScript& Hold(const std::vector<std::string>& names)
    {
        held_.insert(names.begin(), names.end());
        return *this;
    }

    // --- a rule ---------------------------------------------------------------------------
    FtpScript& On(const std::string& verb)
    {
        rules_.emplace_back();
        return Set(&Rule::verb, verb);
    }
    FtpScript& OnGreeting() { return On(""); }
    // Only the nth time the verb comes, counted over all connections.
    FtpScript& Only(int nth) { return Set(&Rule::nth, nth); }
    FtpScript& When(Condition condition) { return Set(&Rule::condition, std::move(condition)); }
    // Only while data go by PORT.
    FtpScript& InActiveMode()
    {
        return When([](const FtpServerState& state) { return !state.passive; });
    }
    // Replaces the default reply and what the server does with it (listening, renaming).
    FtpScript& Reply(const std::string& bytes) { return Set(&Rule::reply, bytes); }
    // No reply: the server reads on, so it waits for the client's close.
    FtpScript& Silent() { return Reply(""); }
    // Closes the control connection after the reply.
    FtpScript& ThenClose() { return Set(&Rule::thenClose, true); }
    // Sends the reply again and again until the client closes (20 s at most); then closes.
    FtpScript& Flood() { return Set(&Rule::flood, true); }
    // After the reply the client's bytes are read raw (a TLS handshake): the first to come get
    // `answer`, and all are kept (RawBytes) until the client closes.
    FtpScript& RawAfter(const std::string& answer) { return Set(&Rule::rawAnswer, answer); }
    // PORT: before the reply, a third party from `source` connects to the announced port.
    FtpScript& Intruder(const std::string& source) { return Set(&Rule::intruder, source); }

    // --- a store's data connection, after a 1yz reply --------------------------------------
    // The connection first; the 150 once the client has taken it (`taken` set).
    FtpScript& DataBeforeReply(const std::atomic<bool>& taken) { return Await(taken, true); }
    // The 150 first; the connection once the client has read it (`read` set).
    FtpScript& DataAfterReply(const std::atomic<bool>& read) { return Await(read, false); }
    // Nor a final reply.
    FtpScript& NoDataConnection() { return SetData(&Data::fault, Data::Fault::NoConnection); }
    // Takes `after` bytes of the upload, then cuts the connection off. receiveBuffer > 0 (active
    // mode): the client can push only that much ahead of what the server reads.
    FtpScript& CutData(std::size_t after, DataCut how, int receiveBuffer = 0)
    {
        Data& data = Last().data;
        data.fault = Data::Fault::Cut;
        data.cutAfter = after;
        data.cut = how;
        data.receiveBuffer = receiveBuffer;
        return *this;
    }
    // Sends `block` again and again on the data connection until the client closes it.
    FtpScript& FloodData(const std::string& block)
    {
        SetData(&Data::fault, Data::Fault::Flood);
        return SetData(&Data::floodBlock, block);
    }
    // After the data ("226 stored\r\n"); "": none.
    FtpScript& FinalReply(const std::string& bytes) { return SetData(&Data::finalReply, bytes); }

private:
    friend class ScriptedFtpServer;
    friend class ScriptedFtpSession;

    struct Data {
        enum class Fault { None, NoConnection, Cut, Flood } fault = Fault::None;
        DataCut cut = DataCut::Fin;
        std::size_t cutAfter = 0;
        int receiveBuffer = 0;
        std::string floodBlock;
        bool connectFirst = false;
        const std::atomic<bool>* await = nullptr;  // the client's event between the two steps
        std::string finalReply = "226 stored\r\n";
    };
    struct Rule {
        std::string verb;  // "": the greeting
        int nth = 0;
        Condition condition;
        std::optional<std::string> reply;  // none: the default reply
        bool thenClose = false;
        bool flood = false;
        std::optional<std::string> rawAnswer;  // none: the reply is followed by commands
        std::string intruder;
        Data data;
    };

    Rule& Last();
    FtpScript& Await(const std::atomic<bool>& event, bool connectFirst);
    template <class Field, class Value> FtpScript& Set(Field Rule::*field, Value&& value)
    {
        Last().*field = std::forward<Value>(value);
        return *this;
    }
    template <class Field, class Value> FtpScript& SetData(Field Data::*field, Value&& value)
    {
        Last().data.*field = std::forward<Value>(value);
        return *this;
    }
    const Rule* Match(const std::string& verb, int nth, const FtpServerState& state) const;

    int connections_ = 1;
    std::string passiveAddress_ = "127,0,0,1";
    std::set<std::string> held_;
    std::deque<Rule> rules_;
};

class ScriptedFtpServer {
public:
    explicit ScriptedFtpServer(FtpScript script = FtpScript());
    ~ScriptedFtpServer();
    ScriptedFtpServer(const ScriptedFtpServer&) = delete;
    ScriptedFtpServer& operator=(const ScriptedFtpServer&) = delete;

    int Port() const { return port_; }
    // Waits (running the event loop) for the script's last connection to end; false when it
    // did not within timeout_ms.
    bool Finish(int timeout_ms = 5000);

    // Every command line the client sent, in order.
    std::vector<std::string> Commands() const { return Locked(commands_); }
    // The names of the uploads that arrived whole, in order.
    std::vector<std::string> Stored() const { return Locked(stored_); }
    // What the server holds: the files it started with and the uploads, renamed and deleted as
    // it was told.
    std::map<std::string, std::string> Files() const { return Locked(state_.files); }
    std::set<std::string> FileNames() const;
    std::string File(const std::string& name) const;  // its bytes; "" when it holds no such file
    std::string RawBytes() const { return Locked(rawBytes_); }
    // What the intruder received; "(no connection)" when it could not connect.
    std::string IntruderBytes() const { return Locked(intruderBytes_); }
    // A flood stopped because the client closed the connection, not at its time limit.
    bool FloodEndedByClient() const { return floodEndedByClient_; }

private:
    friend class ScriptedFtpSession;

    void Serve();
    void Record(const std::string& command);
    // A copy of `value` (a member below mutex_), taken under the lock.
    template <class Value> Value Locked(const Value& value) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return value;
    }

    const FtpScript script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> controlFd_{-1};
    std::atomic<bool> finished_{false};
    std::atomic<bool> floodEndedByClient_{false};
    std::map<std::string, int> verbCounts_;  // the server thread's own
    mutable std::mutex mutex_;               // guards what follows
    FtpServerState state_;
    std::vector<std::string> commands_;
    std::vector<std::string> stored_;
    std::string rawBytes_;
    std::string intruderBytes_ = "(no connection)";
    std::thread thread_;
};

}  // namespace mondeliar::testing
