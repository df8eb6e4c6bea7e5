#pragma once
// The socket error codes the program shows ("10061:Connection refused") and the
// mapping of the system's error numbers onto them.
#include <string>

namespace net {

// The table code for a system error number (errno), or the number itself when the
// table has no counterpart.
int SocketErrorCode(int systemError);

// The table code for a getaddrinfo() failure (EAI_*).
int LookupErrorCode(int lookupError);

// "code:text" for a code of the table, else "Unknown Error No. " + code.
std::string SocketErrorMessage(int code);

}  // namespace net
