#pragma once
// A failed session step told in plain words: what went wrong and with which server, for the
// box a window shows. The session log keeps the clients' own texts, socket error numbers and
// all; here no reply code appears that the server did not send.

#include <string>

namespace mondeliar {

// What is known of a failed step of an FTP session.
struct FtpFailureFacts {
    std::string Host;
    std::string Port;
    int TimeoutSeconds = 0;
    std::string File;         // the file being stored; empty while the session opens
    std::string Detail;       // the client's error text
    std::string ServerReply;  // the server's last reply line; empty when none came
};

// "Could not connect to ftp.example.org, port 21: the connection was refused."
std::string PlainFtpFailure(const FtpFailureFacts& facts);

// The SFTP road's error texts read the same way: `detail` is its own text.
std::string PlainSftpFailure(const std::string& host, const std::string& detail);

// "The server ftp.example.org did not answer within 15 seconds."
std::string NoAnswerSentence(const std::string& host, int seconds);

}  // namespace mondeliar
