#include "net/socket_resolve.h"

#include "net/winsock_errors.h"

#include <arpa/inet.h>
#include <cctype>
#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>

namespace mondeliar::net {

namespace {

constexpr size_t kMaxHostLength = 256;
constexpr size_t kMaxPortOrProtoLength = 32;
constexpr int kMaxPort = 65535;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string SkipLeadingSpaces(const std::string& text)
{
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

// Reads leading decimal digits; false when the value exceeds limit.
bool ReadLeadingNumber(const std::string& text, long limit, long* value)
{
    long result = 0;
    for (size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
        result = result * 10 + (text[i] - '0');
        if (result > limit)
            return false;
    }
    *value = result;
    return true;
}

}  // namespace

std::string TrimText(const std::string& text)
{
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool WSocketIsDottedIP(const std::string& text)
{
    const std::string s = TrimText(text);
    if (s.empty() || s[0] == '.')
        return false;
    int dots = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '.') {
            ++dots;
            if (i + 1 >= s.size() || !IsDigit(s[i + 1]))
                return false;
        } else if (!IsDigit(s[i])) {
            return false;
        }
    }
    return dots == 3;
}

bool ParseDottedAddress(const std::string& text, in_addr* result)
{
    const std::string s = TrimText(text);
    if (!WSocketIsDottedIP(s))
        return false;
    uint32_t host_order = 0;
    size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        long value = 0;
        if (!ReadLeadingNumber(s.substr(pos), 255, &value))
            return false;
        host_order = (host_order << 8) | static_cast<uint32_t>(value);
        pos = s.find('.', pos);
        if (pos != std::string::npos)
            ++pos;
    }
    result->s_addr = htonl(host_order);
    return true;
}

std::string FormatDottedAddress(in_addr address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

namespace {

bool InReservedInvalidDomain(std::string name)
{
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    const std::string domain = "invalid";
    if (name.size() < domain.size()
        || strcasecmp(name.c_str() + name.size() - domain.size(), domain.c_str()) != 0)
        return false;
    return name.size() == domain.size() || name[name.size() - domain.size() - 1] == '.';
}

}  // namespace

int LookUpIpv4(const std::string& name, addrinfo** found)
{
    *found = nullptr;
    if (InReservedInvalidDomain(name))
        return EAI_NONAME;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    return getaddrinfo(name.c_str(), nullptr, &hints, found);
}

in_addr WSocketResolveHost(const std::string& host)
{
    if (host.empty() || host.size() > kMaxHostLength)
        throw ESocketException("WSocketResolveHost: '" + host + "' Invalid Hostname.");
    const std::string name = TrimText(host);
    in_addr address{};
    if (WSocketIsDottedIP(name)) {
        if (ParseDottedAddress(name, &address))
            return address;
        throw ESocketException("WSocketResolveHost: '" + host + "' Invalid IP address.");
    }
    addrinfo* found = nullptr;
    const int rc = LookUpIpv4(name, &found);
    if (rc != 0 || found == nullptr) {
        throw ESocketException(
            "WSocketResolveHost: Cannot convert host address '" + host + "', Error #"
            + std::to_string(WinsockError(ErrorOrigin::Resolver, rc != 0 ? rc : EAI_NODATA)));
    }
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

int WSocketResolvePort(const std::string& port, const std::string& proto)
{
    if (port.empty() || port.size() >= kMaxPortOrProtoLength)
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (proto.empty() || proto.size() >= kMaxPortOrProtoLength)
        throw ESocketException("WSocketResolvePort: Invalid Proto.");
    const std::string digits = SkipLeadingSpaces(port);
    if (!digits.empty() && IsDigit(digits[0])) {
        long value = 0;
        // A number beyond 65535 would silently wrap to another port.
        if (!ReadLeadingNumber(digits, kMaxPort, &value))
            throw ESocketException("WSocketResolvePort: Invalid Port.");
        return static_cast<int>(value);
    }
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    getservbyname_r(port.c_str(), proto.c_str(), &entry, scratch, sizeof scratch, &found);
    if (found == nullptr) {
        throw ESocketException("WSocketResolvePort: Cannot convert port '" + port + "', Error #"
                               + std::to_string(WinsockError(ErrorOrigin::Resolver, EAI_SERVICE)));
    }
    return ntohs(static_cast<uint16_t>(found->s_port));
}

int WSocketResolveProto(const std::string& proto)
{
    if (proto.empty() || proto.size() >= kMaxPortOrProtoLength)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    const std::string digits = SkipLeadingSpaces(proto);
    if (!digits.empty() && IsDigit(digits[0])) {
        long value = 0;
        if (!ReadLeadingNumber(digits, 255, &value))
            throw ESocketException("WSocketResolveProto: Invalid Protocol.");
        return static_cast<int>(value);
    }
    protoent entry{};
    protoent* found = nullptr;
    char scratch[1024];
    getprotobyname_r(proto.c_str(), &entry, scratch, sizeof scratch, &found);
    if (found == nullptr) {
        throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + proto
                               + "', Error #"
                               + std::to_string(WinsockError(ErrorOrigin::Resolver, EAI_NODATA)));
    }
    return found->p_proto;
}

}  // namespace mondeliar::net
