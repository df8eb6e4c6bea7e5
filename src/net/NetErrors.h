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

// An FTP command refused: by the server (the message is its reply line), or by the
// client before sending, when its text could not be sent as one command.
class FTPException : public base::Exception {
public:
    using base::Exception::Exception;
};

}  // namespace net
