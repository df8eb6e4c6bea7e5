#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

TEST(Stream, ListErrorCarriesTheIndex) {
    EXPECT_STREQ(base::EListError(-1).what(), "リストのインデックスが範囲を超えています (-1)");
}

}  // namespace
