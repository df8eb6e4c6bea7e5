#include "net/FtpClient.h"
#include "net/FtpDirectoryList.h"

#include <gtest/gtest.h>

namespace net {
namespace {

TEST(FtpVendor, SystemReplyNamesTheServerKind) {
    const struct {
        const char* reply;
        int vendor;
    } cases[] = {
        {"215 UNIX Type: L8\r\n", kVendorUnix},
        {"215 Windows_NT\r\n", kVendorOther},
        {"215 NETWARE with UNIX flavour\r\n", kVendorUnix},
        {"215 NETWARE\r\n", kVendorNetWare},
        {"215 MS-DOS\r\n", kVendorDos},
        {"215 VMS (contains VM too)\r\n", kVendorVMS},
        {"215 VM/CMS\r\n", kVendorVM},
        {"215 MACOS Peter's Server\r\n", kVendorMacintosh},
        {"215 OS/400 is the remote operating system\r\n", kVendorOS400},
        {"215 unix lower case\r\n", kVendorOther},
    };
    for (const auto& c : cases) EXPECT_EQ(VendorFromSystemReply(c.reply), c.vendor) << c.reply;
}

TEST(FtpReply, ByteCountOfAListReply) {
    const struct {
        const char* reply;
        long long bytes;
    } cases[] = {
        {"150 Opening ASCII mode data connection for /bin/ls (1234 bytes).", 1234},
        {"150 Here comes 77 BYTES", 77},
        {"150 File status okay.", 0},
        {"bytes before any digit", 0},
        {"150 (12 and 34 bytes)", 34},
    };
    for (const auto& c : cases) EXPECT_EQ(BytesFromReply(c.reply), c.bytes) << c.reply;
}

TEST(FtpUnixList, AcceptsLinesOfMoreThanSevenFields) {
    TFTPUnixList list;
    EXPECT_TRUE(list.ParseLine("-rw-r--r--   1 user  group   2048 Dec  7 08:10 box.3ds"));
    EXPECT_FALSE(list.ParseLine("02-10-99  10:30AM       <DIR>          models"));
    EXPECT_FALSE(list.ParseLine("\r\n"));
    EXPECT_FALSE(list.ParseLine(std::string(30, 'a') + std::string(" x x x x x x x x x x x x x x x x x x x x x x x x x x")));
    ASSERT_EQ(list.Names.size(), 1u);
    EXPECT_EQ(list.Names[0], "box.3ds");
    EXPECT_EQ(list.Sizes[0], "2048");
    EXPECT_EQ(list.Dates[0], "Dec 7 08:10");
    EXPECT_EQ(list.Attributes[0], "-rw-r--r--");
    list.Clear();
    EXPECT_TRUE(list.Names.empty() && list.Sizes.empty() && list.Dates.empty() && list.Attributes.empty());
}

}  // namespace
}  // namespace net
