#pragma once
// Socket error numbers and their texts. The socket layer reports every system
// failure with these numbers (the Winsock numbering), so messages read the same
// on every platform: "Error 10061 in function Connect" / "Connection refused".

#include <string>

namespace mondeliar::net {

// Frequently tested numbers, named.
enum : int {
    kWsaInterrupted = 10004,  // lookup cancelled
    kWsaInvalidArgument = 10022,
    kWsaWouldBlock = 10035,
    kWsaNotSocket = 10038,
    kWsaConnectionAborted = 10053,
    kWsaConnectionReset = 10054,
    kWsaNotConnected = 10057,
    kWsaTimedOut = 10060,
    kWsaConnectionRefused = 10061,
    kWsaNotInitialised = 10093,
    kWsaHostNotFound = 11001,
    kWsaNoData = 11004,
};

// The text of a socket error number; "Not a WinSock error" for unknown ones.
std::string WinsockErrorText(int error);

// Where a system error code comes from.
enum class ErrorOrigin {
    Errno,     // errno of a socket call
    Resolver,  // EAI_* result of a name, service or protocol lookup
};

// The one place where system error codes become socket error numbers.
int WinsockError(ErrorOrigin origin, int code);

// Shorthand for the current errno.
int LastSystemSocketError();

}  // namespace mondeliar::net
