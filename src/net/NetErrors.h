#pragma once
// Errors raised by the network clients. Each carries the text the user sees.
#include "base/Errors.h"

namespace net {

// Socket, host lookup and connection failures.
class ESockError : public base::Exception {
public:
    using base::Exception::Exception;
};

// A wait ended by the abort flag.
class EAbortError : public base::Exception {
public:
    using base::Exception::Exception;
};

// An FTP reply that refused a command; the message is the server's reply line.
class FTPException : public base::Exception {
public:
    using base::Exception::Exception;
};

}  // namespace net
