#include "publish/plain_failure.h"

#include "net/winsock_errors.h"

#include <cctype>
#include <cstdlib>

namespace mondeliar {

namespace {

constexpr int HostUnreachable = 10065;
constexpr int NetworkUnreachable = 10051;
constexpr int LookupTryAgain = 11002;

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

std::string Lowered(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// A sentence ends with one full stop.
std::string Sentence(std::string text)
{
    while (!text.empty() && (text.back() == '.' || text.back() == ' '))
        text.pop_back();
    return text + ".";
}

// The text without the reply code the client put before its own failures ("426 Timeout").
std::string WithoutCode(const std::string& text)
{
    if (text.size() > 4 && std::isdigit(static_cast<unsigned char>(text[0]))
        && std::isdigit(static_cast<unsigned char>(text[1]))
        && std::isdigit(static_cast<unsigned char>(text[2])) && text[3] == ' ')
        return text.substr(4);
    return text;
}

// The socket error number of "... (Winsock error #10061)" or "... error #10061"; 0 if none.
int SocketErrorNumber(const std::string& detail)
{
    const std::size_t mark = detail.rfind("error #");
    return mark == std::string::npos ? 0 : std::atoi(detail.c_str() + mark + 7);
}

std::string SocketReason(int error)
{
    switch (error) {
    case net::kWsaConnectionRefused:
        return "the connection was refused";
    case net::kWsaTimedOut:
        return "the connection timed out";
    case net::kWsaConnectionReset:
        return "the server reset the connection";
    case HostUnreachable:
    case NetworkUnreachable:
        return "the network cannot reach it";
    default:
        return Lowered(net::WinsockErrorText(error));
    }
}

bool NameNotFound(int error)
{
    return error == net::kWsaHostNotFound || error == net::kWsaNoData || error == LookupTryAgain;
}

std::string ServerRefusal(const FtpFailureFacts& facts)
{
    const std::string server = "The server " + facts.Host;
    if (facts.File.empty())
        return Sentence(server + " refused the log-on: " + facts.ServerReply);
    return Sentence(server + " did not take " + facts.File + ": " + facts.ServerReply);
}

std::string SocketFailure(const FtpFailureFacts& facts, int error)
{
    if (NameNotFound(error))
        return "Could not find the server " + facts.Host + ": the name is not known.";
    if (facts.File.empty() && facts.ServerReply.empty())
        return Sentence("Could not connect to " + facts.Host + ", port " + facts.Port + ": "
                        + SocketReason(error));
    if (StartsWith(facts.Detail, "Unable to establish data connection"))
        return Sentence("Could not open a data connection to " + facts.Host + ": "
                        + SocketReason(error));
    return Sentence("The connection to " + facts.Host + " was lost: " + SocketReason(error));
}

}  // namespace

std::string NoAnswerSentence(const std::string& host, int seconds)
{
    return "The server " + host + " did not answer within " + std::to_string(seconds)
           + (seconds == 1 ? " second." : " seconds.");
}

std::string PlainFtpFailure(const FtpFailureFacts& facts)
{
    const std::string& detail = facts.Detail;
    if (!facts.ServerReply.empty() && detail == facts.ServerReply)
        return ServerRefusal(facts);
    if (detail == "426 Timeout")
        return NoAnswerSentence(facts.Host, facts.TimeoutSeconds);
    if (const int error = SocketErrorNumber(detail))
        return SocketFailure(facts, error);
    const std::string text = WithoutCode(detail);
    if (StartsWith(text, "Connection closed"))
        return "The server " + facts.Host + " closed the connection.";
    if (StartsWith(text, "No data connection from the server"))
        return Sentence("The server " + facts.Host + " did not open the data connection"
                        + text.substr(std::string("No data connection from the server").size()));
    if (StartsWith(text, "Unable to open local file "))
        return Sentence("Could not read " + text.substr(std::string("Unable to open local file ").size()));
    if (text.find("TLS") != std::string::npos)
        return Sentence("The secure connection to " + facts.Host + " failed: " + text);
    return Sentence("Publishing to " + facts.Host + " failed: " + text);
}

std::string PlainSftpFailure(const std::string& host, const std::string& detail)
{
    const std::string noAnswer = "No answer from the server within ";
    if (StartsWith(detail, noAnswer))
        return NoAnswerSentence(host, std::atoi(detail.c_str() + noAnswer.size()));
    const std::string cannotConnect = "Cannot connect to " + host + " port ";
    if (StartsWith(detail, cannotConnect)) {
        const std::string rest = detail.substr(cannotConnect.size());
        const std::size_t colon = rest.find(": ");
        if (colon != std::string::npos)
            return Sentence("Could not connect to " + host + ", port " + rest.substr(0, colon)
                            + ": " + Lowered(rest.substr(colon + 2)));
        return Sentence("Could not connect to " + host + ", port " + rest);
    }
    const std::string lost = "The connection to the server was lost";
    if (StartsWith(detail, lost))
        return Sentence("The connection to " + host + " was lost" + detail.substr(lost.size()));
    return Sentence(detail);
}

}  // namespace mondeliar
