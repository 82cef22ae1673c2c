#pragma once
// Host, port and protocol resolution for the socket layer, and its exception.

#include <netdb.h>
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

// getaddrinfo for the IPv4 stream addresses of `name`: 0 and the list (freed with
// freeaddrinfo), or the EAI_* error. A name in the reserved domain "invalid" never exists
// (RFC 6761 section 6.4): it fails with EAI_NONAME at once, without asking the resolver.
int LookUpIpv4(const std::string& name, addrinfo** found);

// Each raises ESocketException with the texts of the resolution rules.
in_addr WSocketResolveHost(const std::string& host);
int WSocketResolvePort(const std::string& port, const std::string& proto);  // host order
int WSocketResolveProto(const std::string& proto);

}  // namespace mondeliar::net
