#pragma once
// Host, port and protocol resolution for the socket layer, and its exception.

#include <netinet/in.h>
#include <stdexcept>
#include <string>

namespace mondeliar::net {

class ESocketException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Leading and trailing blanks removed.
std::string TrimText(const std::string& text);

// True for a dotted IPv4 shape: optional spaces, exactly three dots, a dot
// never first and always followed by a digit, only digits otherwise.
bool WSocketIsDottedIP(const std::string& text);

// Parses "a.b.c.d" (each part at most 255) into network order; false otherwise.
bool ParseDottedAddress(const std::string& text, in_addr* result);
std::string FormatDottedAddress(in_addr address);

// Each raises ESocketException with the texts of the resolution rules.
in_addr WSocketResolveHost(const std::string& host);
int WSocketResolvePort(const std::string& port, const std::string& proto);  // host order
int WSocketResolveProto(const std::string& proto);

}  // namespace mondeliar::net
