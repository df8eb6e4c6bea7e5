#include "HostLookup.h"

#include "SocketErrorTable.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <atomic>
#include <thread>

namespace net {

struct HostLookup::State {
    std::atomic<bool> done{false};
    bool succeeded = false;
    in_addr address{};
    int errorCode = 0;
};

HostLookup::HostLookup(const std::string& name) : state_(std::make_shared<State>()) {
    std::thread([name, state = state_] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* result = nullptr;
        const int status = getaddrinfo(name.c_str(), nullptr, &hints, &result);
        if (status == 0 && result != nullptr) {
            state->address = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr;
            state->succeeded = true;
        } else {
            state->errorCode = LookupErrorCode(status == 0 ? EAI_NODATA : status);
        }
        if (result != nullptr) freeaddrinfo(result);
        state->done.store(true, std::memory_order_release);
    }).detach();
}

bool HostLookup::Done() const { return state_->done.load(std::memory_order_acquire); }
bool HostLookup::Succeeded() const { return state_->succeeded; }
in_addr HostLookup::Address() const { return state_->address; }
int HostLookup::ErrorCode() const { return state_->errorCode; }

bool ParseDottedAddress(const std::string& text, in_addr& address) {
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace net
