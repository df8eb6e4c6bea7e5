#pragma once
// The far end of a connected socket pair that sends fixed bytes, closes its
// sending side and then reads whatever comes until the near end closes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "net/SocketHandle.h"

namespace fuzz {

class ScriptedPeer {
public:
    explicit ScriptedPeer(std::string bytes);
    // Waits for the sending thread, which ends once the near end is closed.
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    // The near end, non-blocking, for TSocketClient::AttachAccepted; taken once.
    net::SocketHandle TakeNearEnd();

private:
    void Serve();

    std::string bytes_;
    net::SocketHandle nearEnd_;
    net::SocketHandle farEnd_;
    std::thread thread_;
};

}  // namespace fuzz
