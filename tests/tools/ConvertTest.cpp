// korvane-convert as a user runs it: output, exit status and messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/Pack3DA.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using testsupport::ProcessResult;
using testsupport::RunProcess;

namespace {

ProcessResult Convert(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {KORVANE_CONVERT};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return RunProcess(words);
}

std::vector<std::uint8_t> SampleModel() {
    testsupport::MeshSpec box{.name = "Box \xA5\xDC",  // a Shift-JIS name, passed through unchanged
                              .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                              .faces = {{0, 1, 2}, {0, 2, 3}},
                              .texCoords = {{0, 0}, {1, 0}, {1, 1}},
                              .groups = {{"Red", {0}}, {"Blue", {1}}}};
    testsupport::MeshSpec points{.name = "Points", .vertices = {{5, 5, 5}}};
    testsupport::MaterialSpec red{.name = "Red", .diffuse = testsupport::Rgb{255, 128, 0},
                                  .specular = testsupport::Rgb{0, 0, 255}};
    testsupport::MaterialSpec blue{.name = "Blue"};
    return testsupport::BuildModel({box, points}, {red, blue});
}

const char* kSampleListing =
    "mesh\t0\tBox \xA5\xDC\t4\t2\t3\t2\n"
    "mesh\t1\tPoints\t1\t0\t0\t0\n"
    "material\t0\tRed\tR: 255; G: 128; B: 0\tR: 0; G: 0; B: 255\t100\t15\n"
    "material\t1\tBlue\tR: 0; G: 0; B: 0\tR: 0; G: 0; B: 0\t100\t15\n";

void Save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    base::WriteFileAtomically(path, bytes.data(), bytes.size());
}

}  // namespace

TEST(ConvertList, PrintsMeshesThenMaterials) {
    testsupport::TempDir dir;
    Save(dir.File("sample.3ds"), SampleModel());
    const ProcessResult result = Convert({"--list", dir.File("sample.3ds")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kSampleListing);
    EXPECT_EQ(result.err, "");
}

// Only the extension ".3da", in any letter case, means a packed file.
TEST(ConvertList, PackedFilesAreUnpackedFirst) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> model = SampleModel();
    const std::vector<std::uint8_t> packed = model3ds::Pack3DA(model.data(), model.size());
    for (const char* name : {"sample.3da", "SAMPLE.3DA", "mixed.3dA"}) {
        Save(dir.File(name), packed);
        const ProcessResult result = Convert({"--list", dir.File(name)});
        EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
        EXPECT_EQ(result.out, kSampleListing) << name;
    }
    Save(dir.File("plain.3da.bak"), model);
    EXPECT_EQ(Convert({"--list", dir.File("plain.3da.bak")}).out, kSampleListing);
}

// Like the desktop program, --list goes by what comes out of the packed file,
// not by the unpacker's result: a wrong stored total does not stop a whole model.
TEST(ConvertList, PackedFileWithAWrongTotalIsRefusedAsUnpackingRefusesIt) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> model = SampleModel();
    std::vector<std::uint8_t> packed = model3ds::Pack3DA(model.data(), model.size());
    packed[6] += 1;  // the stored total, 64 KiB more than the blocks hold
    Save(dir.File("total.3da"), packed);
    const std::string message =
        "cannot unpack " + dir.File("total.3da") + ": not a packed model file, or its packed data is corrupt\n";
    for (const std::string command : {"--list", "--unpack"}) {
        std::vector<std::string> arguments = {command, dir.File("total.3da")};
        if (command == "--unpack") arguments.insert(arguments.begin() + 1, dir.File("out.3ds"));
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, message) << command;
    }
}

TEST(ConvertPack, RoundTripGivesTheSameBytes) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> model = SampleModel();
    Save(dir.File("in.3ds"), model);
    ASSERT_EQ(Convert({"--pack", dir.File("out.3da"), dir.File("in.3ds")}).exitCode, 0);
    const ProcessResult unpack = Convert({"--unpack", dir.File("back.3ds"), dir.File("out.3da")});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.err;
    EXPECT_EQ(base::ReadWholeFile(dir.File("back.3ds")), model);
    EXPECT_EQ(Convert({"--list", dir.File("out.3da")}).out, kSampleListing);
}

TEST(ConvertList, UnreadableInputExitsWithOneAndTheReaderMessage) {
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> model = SampleModel();
    Save(dir.File("cut.3ds"), std::vector<std::uint8_t>(model.begin(), model.begin() + 4));
    Save(dir.File("broken.3da"), {0x53, 0x48, 0x01, 0x20, 0xFF, 0xFF, 0xFF});
    Save(dir.File("text.3da"), {'h', 'e', 'l', 'l', 'o'});
    // Over one block, so that cutting the last block leaves the first one to read.
    testsupport::MeshSpec large{.name = "Large"};
    for (int i = 0; i < 4000; ++i) large.vertices.push_back({static_cast<float>(i), 0, 0});
    const std::vector<std::uint8_t> largeModel = testsupport::BuildModel({large});
    const std::vector<std::uint8_t> packed = model3ds::Pack3DA(largeModel.data(), largeModel.size());
    Save(dir.File("cut.3da"), std::vector<std::uint8_t>(packed.begin(), packed.end() - 5));
    testsupport::Writer3DS damaged;
    damaged.Begin(model3ds::CK_MAIN);
    damaged.Header(model3ds::CK_SCENE, 3);
    damaged.End();
    damaged.SaveToFile(dir.File("damaged.3ds"));
    struct Case {
        std::string input;
        std::string message;
    };
    const Case cases[] = {
        {dir.File("missing.3ds"), "ファイル " + dir.File("missing.3ds") + " は開けません\n"},
        {dir.File("cut.3ds"), "ストリームからの読み込みエラー\n"},
        {dir.File("damaged.3ds"),
         "An invalid Chunk structure was encountered while reading\n"
         "the database. Usually caused by a corrupt database or file.\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Convert({"--list", c.input});
        EXPECT_EQ(result.exitCode, 1) << c.input;
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(result.out, "") << c.input;
    }
    // A packed file that does not unpack whole is refused alike by listing,
    // export and unpacking, with the same message, and nothing is written.
    for (const char* name : {"broken.3da", "text.3da", "cut.3da"}) {
        const std::string input = dir.File(name);
        const std::string message =
            "cannot unpack " + input + ": not a packed model file, or its packed data is corrupt\n";
        const std::vector<std::vector<std::string>> commands = {
            {"--list", input}, {"-o", dir.File("out.x"), input}, {"--unpack", dir.File("out.3ds"), input}};
        for (const auto& command : commands) {
            const ProcessResult result = Convert(command);
            EXPECT_EQ(result.exitCode, 1) << command[0] << " " << name;
            EXPECT_EQ(result.err, message) << command[0];
            EXPECT_EQ(result.out, "");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.x")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.3ds")));
}

TEST(ConvertUsage, BadCommandLinesExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus"},
        {"--list"},
        {"--list", "a.3ds", "b.3ds"},
        {"--pack", "out.3da"},
        {"--unpack", "x"},
        {"--list", "--pack", "a", "b"},
    };
    for (const auto& arguments : cases) {
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 2) << testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("Usage: korvane-convert --list INPUT"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST(ConvertUsage, HelpAndVersion) {
    for (const char* option : {"-h", "--help"}) {
        const ProcessResult help = Convert({option});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_NE(help.out.find("--list INPUT"), std::string::npos);
        EXPECT_NE(help.out.find("--unpack OUT INPUT"), std::string::npos);
    }
    const ProcessResult version = Convert({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("korvane-convert ", 0), 0u);
}
