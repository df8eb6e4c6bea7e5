#include "SocketErrorTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>

namespace net {
namespace {

TEST(SocketErrorTable, MessagesCarryTheCodeAndItsText) {
    EXPECT_EQ(SocketErrorMessage(10061), "10061:Connection refused");
    EXPECT_EQ(SocketErrorMessage(10060), "10060:Connection timed out");
    EXPECT_EQ(SocketErrorMessage(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(SocketErrorMessage(12345), "Unknown Error No. 12345");
}

TEST(SocketErrorTable, SystemErrorsMapOntoTableCodes) {
    const struct {
        int systemError;
        int code;
    } cases[] = {
        {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ECONNRESET, 10054}, {EPIPE, 10058},
        {EWOULDBLOCK, 10035},  {EADDRINUSE, 10048}, {ENETUNREACH, 10051}, {EHOSTUNREACH, 10065},
    };
    for (const auto& c : cases) EXPECT_EQ(SocketErrorCode(c.systemError), c.code) << c.systemError;
    // A number with no counterpart keeps its value and reads as unknown.
    EXPECT_EQ(SocketErrorMessage(SocketErrorCode(ENOEXEC)), "Unknown Error No. " + std::to_string(ENOEXEC));
    EXPECT_EQ(SocketErrorMessage(LookupErrorCode(EAI_NONAME)), "11001:Host not found");
}

}  // namespace
}  // namespace net
