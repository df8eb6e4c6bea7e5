#pragma once
// Resolves a host name to its first IPv4 address on a worker thread, so the
// thread that waits for it can still give up on a time-out or the abort flag.
#include <netinet/in.h>

#include <memory>
#include <string>

namespace net {

class HostLookup {
public:
    // Starts the lookup at once.
    explicit HostLookup(const std::string& name);

    bool Done() const;
    // Valid once Done(): whether an address was found, the address, and on
    // failure the error code of the socket error table.
    bool Succeeded() const;
    in_addr Address() const;
    int ErrorCode() const;

private:
    struct State;
    // Shared with the worker, which may outlive an abandoned lookup.
    std::shared_ptr<State> state_;
};

// The address when text is a dotted IPv4 address (no lookup needed).
bool ParseDottedAddress(const std::string& text, in_addr& address);

}  // namespace net
