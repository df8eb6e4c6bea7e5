#pragma once
// Models fetched over HTTP: the whole reply is read into memory, to be opened by
// the address's extension as a local file would be.
#include <cstdint>
#include <string>
#include <vector>

#include "convert/MaxTime.h"

namespace convert {

bool IsHttpAddress(const std::string& input);

// A network client's message (a text of base/Language.h, or its own) on standard
// error, in the user's language, printed by PrintMessage.
void PrintClientMessage(const std::string& text);

// The last segment of an address's path, without query or fragment, its %XX
// escapes undone: what the address is named by when its kind or a local file name
// is needed.
std::string AddressFileName(const std::string& address);

// The content of address, received once (no copy is made after receiving). A
// reply other than 2xx raises base::kCouldNotRead with the status line
// as the server sent it, up to its end, or with a note that there was no valid one.
std::vector<std::uint8_t> FetchHttp(const std::string& address, const Deadline& deadline);

}  // namespace convert
