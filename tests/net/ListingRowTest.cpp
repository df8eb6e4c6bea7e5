#include "net/ListingRow.h"

#include <gtest/gtest.h>

#include <optional>

namespace net {
namespace {

TEST(ListingRow, LinesBecomeGridRows) {
    const struct {
        const char* line;
        const char* name;
        const char* size;
        const char* date;
        const char* kind;
        bool folder;
    } cases[] = {
        // DOS-style lines: date, time, size or <DIR>, name.
        {"02-10-99  10:30AM       <DIR>          models", "models", "<DIR>", "02-10-99 10:30AM", "フォルダ", true},
        {"02-10-99  10:31AM             2048 box.3ds", "box.3ds", "2.00 KB", "02-10-99 10:31AM", "3D-Studio File", false},
        {"02-10-99  10:30AM       <dir>          low", "low", "<DIR>", "02-10-99 10:30AM", "フォルダ", true},
        // Only the size field makes a folder: a name that mentions DIR does not.
        {"02-10-99  10:31AM             1024 Dirt.txt", "Dirt.txt", "1.00 KB", "02-10-99 10:31AM", "不明", false},
        {"02-10-99  10:31AM             1024 dir.3ds", "dir.3ds", "1.00 KB", "02-10-99 10:31AM", "3D-Studio File", false},
        {"02-10-99  10:31AM                0 <DIR> notes", "<DIR> notes", "0.00 KB", "02-10-99 10:31AM", "不明", false},
        {"02-10-99  10:31AM                0 DIRECTORY", "DIRECTORY", "0.00 KB", "02-10-99 10:31AM", "不明", false},
        {"02-10-99  10:31AM             4096 my model.3da", "my model.3da", "4.00 KB", "02-10-99 10:31AM",
         "3D-Studio Packed File", false},
        {"02-10-99  10:31AM          1234567 a.xa", "a.xa", "1,205.63 KB", "02-10-99 10:31AM",
         "Direct3D Pcked Geometory File", false},
        {"02-10-99  10:31AM              512 b.xyz", "b.xyz", "0.50 KB", "02-10-99 10:31AM", "Direct3D Geometory File", false},
        {"02-10-99  10:31AM              512 README", "README", "0.50 KB", "02-10-99 10:31AM", "不明", false},
        {"\r\n", "", "0.00 KB", " ", "不明", false},
        {"", "", "0.00 KB", " ", "不明", false},
        // Unix-style lines: folders by their permissions, sizes and dates from their own fields.
        {"drwxr-xr-x   2 user group     4096 Dec  7 08:10 models", "models", "<DIR>", "Dec 7 08:10", "フォルダ", true},
        {"-rw-r--r--   1 user group     2048 Jan 15  1999 box.3ds", "box.3ds", "2.00 KB", "Jan 15 1999", "3D-Studio File",
         false},
        {"-rw-r--r--   1 user group 3000000000 Jan 15  1999 big.x", "big.x", "2,929,687.50 KB", "Jan 15 1999",
         "Direct3D Geometory File", false},
        {"-rw-r--r--   1 user group     100 Jan 15  1999 dirty.txt", "dirty.txt", "0.10 KB", "Jan 15 1999", "不明", false},
        {"lrwxrwxrwx   1 user group       7 Dec  7 08:10 link.3ds -> box.3ds", "link.3ds", "0.01 KB", "Dec 7 08:10",
         "3D-Studio File", false},
        // Names are the rest of the line, spaces and all; a link's row is named by the link.
        {"-rw-r--r--   1 user group     2048 Dec  7 08:10 my  model.3ds\r\n", "my  model.3ds", "2.00 KB", "Dec 7 08:10",
         "3D-Studio File", false},
        {"-rw-r--r--   1 user group     2048 Dec  7 08:10  lead and trail ", " lead and trail ", "2.00 KB", "Dec 7 08:10",
         "不明", false},
        {"-rw-r--r--   1 user     2048 Dec  7 08:10 no group.3ds", "no group.3ds", "2.00 KB", "Dec 7 08:10",
         "3D-Studio File", false},
        {"-rw-r--r--   1 1000 1000 2048 Dec  7  1999 \xe6\x97\xa5\xe6\x9c\xac.3ds", "\xe6\x97\xa5\xe6\x9c\xac.3ds", "2.00 KB",
         "Dec 7 1999", "3D-Studio File", false},
        {"-rw-r--r--   1 user group        1 Dec  7 08:10 a -> b.x", "a -> b.x", "0.00 KB", "Dec 7 08:10",
         "Direct3D Geometory File", false},
        {"lrwxrwxrwx   1 user group       9 Dec  7 08:10 my link.3ds -> my box.3ds", "my link.3ds", "0.01 KB",
         "Dec 7 08:10", "3D-Studio File", false},
        {"drwxr-xr-x   2 user group     4096 Dec  7 08:10 a b c d e f g h i j k l m n o p q r s t u v w x y z",
         "a b c d e f g h i j k l m n o p q r s t u v w x y z", "<DIR>", "Dec 7 08:10", "フォルダ", true},
        {"prw-r--r--   1 user group        0 Dec  7 08:10 a fifo.3ds", "a fifo.3ds", "0.00 KB", "Dec 7 08:10",
         "3D-Studio File", false},
        // Not a permissions field: read the DOS way.
        {"total 1 2 3 4 5 6 7 8", "3 4 5 6 7 8", "0.00 KB", "total 1", "不明", false},
    };
    for (const auto& c : cases) {
        const std::optional<TRemoteRow> found = ListingLineToRow(c.line);
        ASSERT_TRUE(found) << c.line;
        const TRemoteRow& row = *found;
        EXPECT_EQ(row.Name, c.name) << c.line;
        EXPECT_EQ(row.SizeText, c.size) << c.line;
        EXPECT_EQ(row.DateText, c.date) << c.line;
        EXPECT_EQ(row.KindText, c.kind) << c.line;
        EXPECT_EQ(row.IsFolder, c.folder) << c.line;
    }
}

// A line whose size field is not a number of bytes is no entry: not a row named
// by what follows, nor a file of 0 bytes.
TEST(ListingRow, LinesWithoutASizeGiveNoRow) {
    for (const char* line : {
             "total 5",
             "total 0\r\n",
             "-rw-r--r--   1 user group       -5 Dec  7 08:10 name",
             "-rw-r--r--   1 user group     many Dec  7 08:10 name",
             "-rw-r--r--   1 user group 99999999999999999999 Dec  7 08:10 huge.3ds",
             "drwxr-xr-x   2 user group     4096 Dec  7 08:10",
             "02-10-99  10:31AM             many box.3ds",
             "02-10-99  10:31AM               -5 box.3ds",
             "02-10-99  10:31AM             2048",
             "02-10-99  10:31AM       <DIR>",
         }) {
        EXPECT_FALSE(ListingLineToRow(line)) << line;
    }
}

TEST(ListingRow, KilobytesGroupThousands) {
    EXPECT_EQ(FormatKilobytes(0), "0.00 KB");
    EXPECT_EQ(FormatKilobytes(1024 * 999), "999.00 KB");
    EXPECT_EQ(FormatKilobytes(1024 * 1000), "1,000.00 KB");
    EXPECT_EQ(FormatKilobytes(-2048), "-2.00 KB");
    EXPECT_EQ(FormatKilobytes(1024LL * 1234567), "1,234,567.00 KB");
}

}  // namespace
}  // namespace net
