// korvane-convert's batch mode (issue 12): folders mirrored, failures reported at
// the end with exit status 1, no partial output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProcessResult;

ProcessResult Convert(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {KORVANE_CONVERT};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return testsupport::RunProcess(words);
}

std::vector<std::uint8_t> Model(float size) {
    return testsupport::BuildModel(
        {{.name = "Tri", .vertices = {{0, 0, 0}, {size, 0, 0}, {0, size, 0}}, .faces = {{0, 1, 2}}}});
}

void Save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    base::WriteFileAtomically(path.string(), bytes.data(), bytes.size());
}

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every file below folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// models/: a.3ds, Sub/B.3DS, Sub/deep/c.3Da (packed), notes.txt.
fs::path ModelFolder(const testsupport::TempDir& dir) {
    const fs::path models = dir.Path() / "models";
    Save(models / "a.3ds", Model(1));
    Save(models / "Sub" / "B.3DS", Model(2));
    const auto plain = Model(3);
    Save(models / "Sub" / "deep" / "c.3Da", model3ds::Pack3DA(plain.data(), plain.size()));
    Save(models / "notes.txt", {'h', 'i'});
    return models;
}

TEST(ConvertBatch, FolderIsMirroredIntoTheOutputFolderAtAnyJobCount) {
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    std::string first;
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const fs::path out = dir.Path() / (std::string("out") + jobs);
        const ProcessResult result = Convert({"-j", jobs, "-b", models.string(), "-o", out.string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");  // no terminal: no progress line
        EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub/B.x", "Sub/deep/c.x", "a.x"}));
        // The same bytes as a conversion of that file alone.
        const fs::path single = dir.Path() / "single.x";
        ASSERT_EQ(Convert({"-b", (models / "Sub" / "deep" / "c.3Da").string(), "-o", single.string()}).exitCode, 0);
        EXPECT_EQ(Read(out / "Sub" / "deep" / "c.x"), Read(single));
    }
}

TEST(ConvertBatch, WithoutAnOutputFolderResultsGoBesideTheirInputs) {
    testsupport::TempDir dir;
    Save(dir.Path() / "one" / "m.3ds", Model(1));
    Save(dir.Path() / "two" / "M.3DS", Model(2));
    const ProcessResult result =
        Convert({(dir.Path() / "one" / "m.3ds").string(), (dir.Path() / "two" / "M.3DS").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir.Path() / "one" / "m.x"));
    EXPECT_TRUE(fs::exists(dir.Path() / "two" / "M.x"));
}

TEST(ConvertBatch, FailuresAreReportedAtTheEndAndLeaveNoFile) {
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    Save(models / "broken.3ds", {0x4D, 0x4D, 0xFF, 0xFF, 0, 0, 0x3D, 0x3D});     // a chunk longer than the file
    Save(models / "Sub" / "junk.3DA", std::vector<std::uint8_t>(100, 0x55));     // not packed
    Save(dir.Path() / "elsewhere" / "a.3ds", Model(5));                          // same output as models/a.3ds
    const fs::path out = dir.Path() / "out";
    const std::string missing = (dir.Path() / "missing.3ds").string();
    const ProcessResult result = Convert({"-j", "2", models.string(), missing,
                                          (dir.Path() / "elsewhere" / "a.3ds").string(), "-o", out.string()});
    EXPECT_EQ(result.exitCode, 1);
    struct Expected {
        std::string input;
        std::string reason;
    };
    const std::vector<Expected> failures = {
        {(models / "broken.3ds").string(), ""},
        {(models / "Sub" / "junk.3DA").string(), "cannot unpack"},
        {missing, "missing.3ds"},
        {(dir.Path() / "elsewhere" / "a.3ds").string(), "is also the output of"},
    };
    for (const Expected& failure : failures) {
        const std::string line = "korvane-convert: failed: " + failure.input + ": ";
        const std::size_t at = result.err.find(line);
        ASSERT_NE(at, std::string::npos) << line << "\n" << result.err;
        EXPECT_NE(result.err.find(failure.reason, at + line.size()), std::string::npos) << result.err;
    }
    EXPECT_NE(result.err.find("4 of 7 inputs failed"), std::string::npos) << result.err;
    // The good ones written, nothing else (no partial or temporary file).
    EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub/B.x", "Sub/deep/c.x", "a.x"}));
}

TEST(ConvertBatch, BadBatchCommandLinesExitWithTwo) {
    testsupport::TempDir dir;
    const fs::path models = ModelFolder(dir);
    const std::vector<std::vector<std::string>> cases = {
        {models.string(), "-o", "-"},
        {"a.3ds", "b.3ds", "-o", ""},
        {"-j", "0", models.string()},
        {"-j", "many", models.string()},
        {"-j", "257", "a.3ds"},
    };
    for (const auto& arguments : cases) {
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(arguments) << result.err;
    }
    EXPECT_FALSE(fs::exists(models / "a.x"));
}

TEST(ConvertBatch, AFolderWithoutModelsIsAFailure) {
    testsupport::TempDir dir;
    fs::create_directories(dir.Path() / "empty");
    const ProcessResult result = Convert({(dir.Path() / "empty").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no .3ds or .3da file"), std::string::npos) << result.err;
}

}  // namespace
