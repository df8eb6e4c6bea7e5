#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Errors.h"
#include "base/Stream.h"
#include "support/TempDir.h"

namespace {

TEST(Stream, MemoryStreamReadsWritesAndRaisesOnShortRead) {
    base::MemoryStream stream;
    const char text[] = "abcdef";
    stream.WriteBuffer(text, 6);
    EXPECT_EQ(stream.Size(), 6u);
    stream.Seek(2);
    char out[4] = {};
    stream.ReadBuffer(out, 3);
    EXPECT_STREQ(out, "cde");
    try {
        stream.ReadBuffer(out, 2);
        FAIL() << "short read did not raise";
    } catch (const base::EReadError& error) {
        EXPECT_STREQ(error.what(), "ストリームからの読み込みエラー");
    }
    stream.Seek(100);
    EXPECT_EQ(stream.Read(out, 1), 0u);
}

TEST(Stream, FileStreamOpenErrorNamesTheFile) {
    try {
        base::FileStream stream("/nonexistent/model.3ds", base::FileStream::Mode::Read);
        FAIL() << "opening a missing file did not raise";
    } catch (const base::EFOpenError& error) {
        EXPECT_STREQ(error.what(), "ファイル /nonexistent/model.3ds は開けません");
    }
}

// Only regular files are read; anything else is refused at once (a FIFO would
// otherwise wait for a writer), with the open error that names it.
TEST(Stream, OnlyRegularFilesAreRead) {
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir.File("folder.3ds"));
    ASSERT_EQ(::mkfifo(dir.File("fifo.3ds").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.File("fifo.3ds"), dir.File("link.3ds"));
    for (const std::string& name : {dir.File("folder.3ds"), dir.File("fifo.3ds"), dir.File("link.3ds"),
                                    std::string("/dev/null")}) {
        try {
            base::ReadWholeFile(name);
            ADD_FAILURE() << name << " was read";
        } catch (const base::EFOpenError& error) {
            EXPECT_EQ(error.what(), "ファイル " + name + " は開けません");
        }
    }
}

TEST(Stream, FileStreamSeeksAndReads) {
    testsupport::TempDir dir;
    const std::string name = dir.File("data.bin");
    base::WriteFileAtomically(name, "0123456789", 10);
    base::FileStream stream(name, base::FileStream::Mode::Read);
    EXPECT_EQ(stream.Size(), 10u);
    stream.Seek(7);
    EXPECT_EQ(stream.ReadValue<char>(), '7');
    stream.Seek(1);
    EXPECT_EQ(stream.ReadValue<char>(), '1');
    EXPECT_EQ(stream.Position(), 2u);
}

TEST(Stream, AtomicWriteReplacesWholeOrLeavesTheOldFile) {
    testsupport::TempDir dir;
    const std::string name = dir.File("out.x");
    base::WriteFileAtomically(name, "old", 3);
    base::WriteFileAtomically(name, "newer", 5);
    EXPECT_EQ(base::ReadWholeFile(name).size(), 5u);
    EXPECT_THROW(base::WriteFileAtomically(dir.File("missing/out.x"), "x", 1), base::EStreamError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// Through a symbolic link, however many, the file it points to is replaced and
// the link stays a link.
TEST(Stream, AtomicWriteThroughLinksReplacesTheFileTheyPointTo) {
    namespace fs = std::filesystem;
    testsupport::TempDir dir;
    fs::create_directory(dir.Path() / "sub");
    base::WriteFileAtomically(dir.File("sub/model.x"), "old", 3);
    fs::create_symlink("sub/model.x", dir.Path() / "direct");
    fs::create_symlink("direct", dir.Path() / "chained");
    fs::create_symlink(dir.Path() / "sub" / "new.x", dir.Path() / "dangling");
    const struct {
        const char* link;
        const char* file;
    } cases[] = {{"direct", "sub/model.x"}, {"chained", "sub/model.x"}, {"dangling", "sub/new.x"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        base::WriteFileAtomically(dir.File(c.link), c.link, std::strlen(c.link));
        EXPECT_TRUE(fs::is_symlink(dir.Path() / c.link));
        const auto bytes = base::ReadWholeFile(dir.File(c.file));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.link);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "sub"), {}), 2);
}

TEST(Stream, ListErrorCarriesTheIndex) {
    EXPECT_STREQ(base::EListError(-1).what(), "リストのインデックスが範囲を超えています (-1)");
}

}  // namespace
