#pragma once
// Starts one of the test servers (a Python script beside the tests) as a child
// process listening on 127.0.0.1, and stops it when dropped.
#include <string>
#include <sys/types.h>
#include <vector>

namespace nettest {

class ServerProcess {
public:
    // script: file name under tests/net, or an absolute path; args follow it on the
    // command line. The script's first line of output begins with its port.
    ServerProcess(const std::string& script, const std::vector<std::string>& args);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A loopback port that nothing listens on (taken and given back at once).
int UnusedPort();

}  // namespace nettest
