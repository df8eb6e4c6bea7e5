#include "ScriptedPeer.h"

#include <sys/ioctl.h>
#include <sys/socket.h>

#include <stdexcept>

namespace fuzz {

ScriptedPeer::ScriptedPeer(std::string bytes) : bytes_(std::move(bytes)) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        throw std::runtime_error("socketpair failed");
    }
    nearEnd_ = net::SocketHandle(ends[0]);
    farEnd_ = net::SocketHandle(ends[1]);
    // Only the near end is non-blocking, as the client's own sockets are.
    const int nonBlocking = 1;
    ::ioctl(nearEnd_.Get(), FIONBIO, &nonBlocking);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    nearEnd_.Reset();
    thread_.join();
}

net::SocketHandle ScriptedPeer::TakeNearEnd() { return std::move(nearEnd_); }

void ScriptedPeer::Serve() {
    std::size_t sent = 0;
    while (sent < bytes_.size()) {
        const ssize_t count = ::send(farEnd_.Get(), bytes_.data() + sent, bytes_.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) break;
        sent += static_cast<std::size_t>(count);
    }
    ::shutdown(farEnd_.Get(), SHUT_WR);
    char sink[4096];
    while (::recv(farEnd_.Get(), sink, sizeof sink, 0) > 0) {
    }
}

}  // namespace fuzz
