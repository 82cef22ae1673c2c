#include "support/scripted_ftp_server.h"

#include "support/event_waits.h"
#include "support/loopback_sockets.h"

#include <cstdio>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace mondeliar::testing {

const int FloodLimitMs = 20000;

// --- the script ------------------------------------------------------------------------------

FtpScript& FtpScript::Await(const std::atomic<bool>& event, bool connectFirst)
{
    SetData(&Data::connectFirst, connectFirst);
    return SetData(&Data::await, &event);
}

FtpScript::Rule& FtpScript::Last()
{
    if (rules_.empty())
        throw std::logic_error("FtpScript: a rule's setting comes before On()");
    return rules_.back();
}

const FtpScript::Rule* FtpScript::Match(const std::string& verb, int nth,
                                        const FtpServerState& state) const
{
    for (const Rule& rule : rules_)
        if (rule.verb == verb && (rule.nth == 0 || rule.nth == nth)
            && (!rule.condition || rule.condition(state)))
            return &rule;
    return nullptr;
}

// --- one control connection ------------------------------------------------------------------

class ScriptedFtpSession {
public:
    ScriptedFtpSession(int fd, ScriptedFtpServer& server)
        : fd_(fd), server_(server), script_(server.script_)
    {
    }
    ~ScriptedFtpSession();

    void Run();

private:
    using Rule = FtpScript::Rule;
    using Data = FtpScript::Data;

    // Replies to the greeting or a command as the rule says; false when the session ends.
    bool Answer(const std::string& verb, const Rule* rule);
    std::string DefaultReply(const std::string& verb);
    void Store(const Data& data, const std::string& reply);
    void HoldUpload(const std::string& bytes);
    int OpenData(const Data& data);
    std::string OpenPassive();
    void NotePort(const std::string& argument);
    void ReadRaw(const std::string& answer);

    std::string ReadCommand();  // the next line without CR LF; "" when closed
    std::string ReadBytes();    // at least one byte; "" when closed
    bool Fill();                // appends what comes to pending_; false when closed
    void Send(const std::string& bytes) { SendAll(fd_, bytes); }
    FtpServerState& State() { return server_.state_; }

    int fd_;
    ScriptedFtpServer& server_;
    const FtpScript& script_;
    std::string pending_;
    int portPort_ = 0;
    int passiveListener_ = -1;
    int intruder_ = -1;
    std::vector<int> cutConnections_;  // closed when the session ends
};

ScriptedFtpSession::~ScriptedFtpSession()
{
    if (intruder_ >= 0) {
        std::string bytes = Receive(intruder_);
        close(intruder_);
        std::lock_guard<std::mutex> lock(server_.mutex_);
        server_.intruderBytes_ = bytes;
    }
    for (int connection : cutConnections_)
        close(connection);
    if (passiveListener_ >= 0)
        close(passiveListener_);
}

void ScriptedFtpSession::Run()
{
    const int connection = ++server_.verbCounts_[""];
    if (!Answer("", script_.Match("", connection, State())))
        return;
    for (std::string line = ReadCommand(); !line.empty(); line = ReadCommand()) {
        const std::string verb = line.substr(0, line.find(' '));
        {
            std::lock_guard<std::mutex> lock(server_.mutex_);
            State().argument = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
        }
        if (verb == "PORT")
            NotePort(State().argument);
        const int nth = ++server_.verbCounts_[verb];
        if (!Answer(verb, script_.Match(verb, nth, State())))
            return;
    }
}

bool ScriptedFtpSession::Answer(const std::string& verb, const Rule* rule)
{
    if (rule && !rule->intruder.empty())
        intruder_ = ConnectLoopback(portPort_, 0, rule->intruder);
    const std::string reply = rule && rule->reply ? *rule->reply : DefaultReply(verb);
    if (rule && rule->flood) {
        server_.floodEndedByClient_ = FloodUntilClosed(fd_, reply, FloodLimitMs);
        return false;
    }
    if (verb == "STOR" && reply.rfind('1', 0) == 0)
        Store(rule ? rule->data : Data(), reply);
    else
        Send(reply);
    if (rule && rule->rawAnswer) {
        ReadRaw(*rule->rawAnswer);
        return false;
    }
    if (rule && rule->thenClose) {
        shutdown(fd_, SHUT_RDWR);
        return false;
    }
    return verb != "QUIT";
}

std::string ScriptedFtpSession::DefaultReply(const std::string& verb)
{
    std::lock_guard<std::mutex> lock(server_.mutex_);
    FtpServerState& state = State();
    if (verb.empty())
        return "220 ready\r\n";
    if (verb == "USER")
        return "331 password please\r\n";
    if (verb == "PASS")
        return "230 logged on\r\n";
    if (verb == "PORT")
        return "200 PORT ok\r\n";
    if (verb == "PASV") {
        state.passive = true;
        return OpenPassive();
    }
    if (verb == "STOR")
        return "150 go ahead\r\n";
    if (verb == "RNFR") {
        state.renameFrom = state.argument;
        return state.files.count(state.argument) ? "350 ready for RNTO\r\n"
                                                 : "550 No such file\r\n";
    }
    if (verb == "RNTO") {
        const auto from = state.files.find(state.renameFrom);
        std::string bytes = from != state.files.end() ? from->second : std::string();
        state.files.erase(state.renameFrom);
        state.files[state.argument] = bytes;
        return "250 renamed\r\n";
    }
    if (verb == "DELE") {
        state.files.erase(state.argument);
        return "250 deleted\r\n";
    }
    if (verb == "QUIT")
        return "221 bye\r\n";
    return "500 unknown\r\n";
}

void ScriptedFtpSession::Store(const Data& data, const std::string& reply)
{
    if (data.fault == Data::Fault::NoConnection) {
        Send(reply);
        return;
    }
    int connection = -1;
    if (data.connectFirst) {
        connection = OpenData(data);
        if (data.await)
            WaitForFlag(*data.await);
        Send(reply);
    } else {
        Send(reply);
        if (data.await)
            WaitForFlag(*data.await);
        connection = OpenData(data);
    }
    switch (data.fault) {
    case Data::Fault::None:
        HoldUpload(Receive(connection));
        close(connection);
        break;
    case Data::Fault::Cut:
        Receive(connection, data.cutAfter);
        if (data.cut == DataCut::Reset) {
            CloseWithReset(connection);
        } else {
            shutdown(connection, SHUT_WR);  // the rest of the upload stays unread
            cutConnections_.push_back(connection);
        }
        break;
    case Data::Fault::Flood:
        server_.floodEndedByClient_ = FloodUntilClosed(connection, data.floodBlock, FloodLimitMs);
        close(connection);
        break;
    case Data::Fault::NoConnection:
        break;
    }
    Send(data.finalReply);
}

void ScriptedFtpSession::HoldUpload(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(server_.mutex_);
    State().files[State().argument] = bytes;
    server_.stored_.push_back(State().argument);
}

int ScriptedFtpSession::OpenData(const Data& data)
{
    if (!State().passive)
        return ConnectLoopback(portPort_, data.receiveBuffer);
    const int connection = AcceptWithTimeout(passiveListener_, 5000);
    close(passiveListener_);
    passiveListener_ = -1;
    return connection;
}

std::string ScriptedFtpSession::OpenPassive()
{
    if (passiveListener_ >= 0)
        close(passiveListener_);
    int port = 0;
    passiveListener_ = ListenLoopback(&port);
    return "227 Entering Passive Mode (" + script_.passiveAddress_ + ","
           + std::to_string(port / 256) + "," + std::to_string(port % 256) + ").\r\n";
}

// PORT h1,h2,h3,h4,p1,p2: the server connects to 127.0.0.1 at that port, whatever the host.
void ScriptedFtpSession::NotePort(const std::string& argument)
{
    int h1, h2, h3, h4, p1, p2;
    if (std::sscanf(argument.c_str(), "%d,%d,%d,%d,%d,%d", &h1, &h2, &h3, &h4, &p1, &p2) == 6)
        portPort_ = p1 * 256 + p2;
    std::lock_guard<std::mutex> lock(server_.mutex_);
    State().passive = false;
}

void ScriptedFtpSession::ReadRaw(const std::string& answer)
{
    std::string bytes = ReadBytes();
    Send(answer);
    bytes += Receive(fd_);
    std::lock_guard<std::mutex> lock(server_.mutex_);
    server_.rawBytes_ = bytes;
}

bool ScriptedFtpSession::Fill()
{
    char chunk[4096];
    const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n > 0)
        pending_.append(chunk, static_cast<size_t>(n));
    return n > 0;
}

std::string ScriptedFtpSession::ReadCommand()
{
    size_t end = pending_.find("\r\n");
    for (; end == std::string::npos; end = pending_.find("\r\n"))
        if (!Fill())
            return std::string();
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 2);
    server_.Record(line);
    return line;
}

std::string ScriptedFtpSession::ReadBytes()
{
    if (pending_.empty())
        Fill();
    return std::exchange(pending_, std::string());
}

// --- the server ------------------------------------------------------------------------------

ScriptedFtpServer::ScriptedFtpServer(FtpScript script) : script_(std::move(script))
{
    for (const std::string& name : script_.held_)
        state_.files[name] = "";
    listener_ = ListenLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedFtpServer::~ScriptedFtpServer()
{
    // Unblock a session still reading, then wait for it.
    const int fd = controlFd_.load();
    if (fd >= 0)
        shutdown(fd, SHUT_RDWR);
    shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    close(listener_);
}

void ScriptedFtpServer::Serve()
{
    for (int served = 0; served < script_.connections_; ++served) {
        const int fd = AcceptWithTimeout(listener_, 10000);
        if (fd < 0)
            break;
        controlFd_ = fd;
        ScriptedFtpSession(fd, *this).Run();
        controlFd_ = -1;
        close(fd);
    }
    finished_ = true;
}

bool ScriptedFtpServer::Finish(int timeout_ms)
{
    const bool done = WaitUntil([this] { return finished_.load(); }, timeout_ms);
    if (done && thread_.joinable())
        thread_.join();
    return done;
}

void ScriptedFtpServer::Record(const std::string& command)
{
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
}

std::set<std::string> ScriptedFtpServer::FileNames() const
{
    std::set<std::string> names;
    for (const auto& file : Files())
        names.insert(file.first);
    return names;
}

std::string ScriptedFtpServer::File(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto file = state_.files.find(name);
    return file != state_.files.end() ? file->second : std::string();
}

}  // namespace mondeliar::testing
