// korvane-convert as a user runs it: output, exit status and messages.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/Pack3DA.h"
#include "support/JapaneseMessages.h"
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
    "material\t0\tRed\tR: 255; G: 128; B: 0\tR: 0; G: 0; B: 255\t100\t15\t0\n"
    "material\t1\tBlue\tR: 0; G: 0; B: 0\tR: 0; G: 0; B: 0\t100\t15\t0\n";

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
        "korvane-convert: cannot unpack " + dir.File("total.3da") + ": not a packed model file, or its packed data is corrupt\n";
    for (const std::string command : {"--list", "--unpack"}) {
        std::vector<std::string> arguments = {command, dir.File("total.3da")};
        if (command == "--unpack") arguments.insert(arguments.begin() + 1, dir.File("out.3ds"));
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, message) << command;
    }
}

// A file that yields neither a mesh nor a material is no model, for listing as
// for export; a material library still lists its materials.
TEST(ConvertList, FileWithNothingInItIsAReadError) {
    testsupport::TempDir dir;
    std::mt19937 random(9);
    std::vector<std::uint8_t> noise(4096);
    for (std::uint8_t& byte : noise) byte = static_cast<std::uint8_t>(random());
    testsupport::Writer3DS emptyScene;
    emptyScene.Begin(model3ds::CK_MAIN);
    emptyScene.Begin(model3ds::CK_SCENE);
    emptyScene.End();
    emptyScene.End();
    const std::string notAModel = "3D Studio のモデルではありません";
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::string listReason, exportReason;  // after the path
    } nothing[] = {
        {"text.3ds", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}, notAModel, notAModel},
        {"zeros.3ds", std::vector<std::uint8_t>(1000, 0), notAModel, notAModel},
        {"noise.3ds", noise, notAModel, notAModel},
        {"empty-scene.3ds", emptyScene.Bytes(), "メッシュもマテリアルもありません", "メッシュがありません"},
    };
    for (const auto& c : nothing) {
        Save(dir.File(c.name), c.bytes);
        for (const std::vector<std::string>& command : {std::vector<std::string>{"--list", dir.File(c.name)},
                                                        {"-o", dir.File("out.x"), dir.File(c.name)}}) {
            const ProcessResult result = Convert(command);
            const std::string& reason = command[0] == "--list" ? c.listReason : c.exportReason;
            EXPECT_EQ(result.exitCode, 1) << c.name << " " << command[0];
            EXPECT_EQ(result.err, "korvane-convert: READ ERROR : " + dir.File(c.name) + ": " + reason + "\n");
            EXPECT_EQ(result.out, "");
        }
    }
    testsupport::Writer3DS library;
    library.Begin(model3ds::CK_MATLIB);
    testsupport::WriteMaterial(library, {.name = "Gold", .diffuse = testsupport::Rgb{255, 200, 0}});
    library.End();
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } libraries[] = {
        {"library.mli", library.Bytes()},
        {"materials.3ds", testsupport::BuildModel({}, {{.name = "Gold", .diffuse = testsupport::Rgb{255, 200, 0}}})},
    };
    for (const auto& c : libraries) {
        Save(dir.File(c.name), c.bytes);
        const ProcessResult result = Convert({"--list", dir.File(c.name)});
        EXPECT_EQ(result.exitCode, 0) << c.name << ": " << result.err;
        EXPECT_EQ(result.out, "material\t0\tGold\tR: 255; G: 200; B: 0\tR: 0; G: 0; B: 0\t100\t15\t0\n") << c.name;
    }
}

// A name cannot forge a line or a field, nor send control sequences to the
// terminal; Shift-JIS bytes pass, and every backslash is doubled.
TEST(ConvertList, ControlCharactersInNamesAreEscaped) {
    testsupport::TempDir dir;
    const testsupport::MeshSpec forged{.name = "Box\t9\t9\t9\t9\nmesh\t1\tFake"};
    const testsupport::MaterialSpec escape{.name = "\x1b[2JRed\\\r\x7f\x01\x83\x5c\xA5"};
    Save(dir.File("forged.3ds"), testsupport::BuildModel({forged}, {escape}));
    const ProcessResult result = Convert({"--list", dir.File("forged.3ds")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "mesh\t0\tBox\\t9\\t9\\t9\\t9\\nmesh\\t1\\tFake\t0\t0\t0\t0\n"
              "material\t0\t\\x1B[2JRed\\\\\\r\\x7F\\x01\x83\\\\\xA5\tR: 0; G: 0; B: 0\tR: 0; G: 0; B: 0\t100\t15\t0\n");
    const ProcessResult help = Convert({"--help"});
    EXPECT_NE(help.out.find("\\xNN"), std::string::npos);
}

// Standard output and files alike: a failed write exits 1 and says where and why.
TEST(ConvertOutput, FailedWritesSayWhereAndWhy) {
    testsupport::TempDir dir;
    Save(dir.File("sample.3ds"), SampleModel());
    std::filesystem::create_directory(dir.Path() / "folder");
    const std::string input = dir.File("sample.3ds");
    const std::string full = "korvane-convert: standard output: ストリームへの書き込みエラー: No space left on device\n";
    const struct {
        std::vector<std::string> arguments;
        bool toFullDevice;
        std::string message;
    } cases[] = {
        {{"--list", input}, true, full},
        {{"--help"}, true, full},
        {{"--version"}, true, full},
        {{"-o", "-", input}, true, full},
        {{"-o", "-", "-b", "-m", input}, true, full},
        {{"-o", dir.File("folder"), input}, false,
         "korvane-convert: " + dir.File("folder") + ": ストリームへの書き込みエラー: Is a directory\n"},
        {{"--pack", dir.File("folder"), input}, false,
         "korvane-convert: " + dir.File("folder") + ": ストリームへの書き込みエラー: Is a directory\n"},
        {{"-o", dir.File("missing/out.x"), input}, false,
         "korvane-convert: ファイル " + dir.File("missing/out.x") + " を作成できません: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {KORVANE_CONVERT};
        if (c.toFullDevice) words = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >/dev/full", KORVANE_CONVERT};
        words.insert(words.end(), c.arguments.begin(), c.arguments.end());
        const ProcessResult result = RunProcess(words);
        EXPECT_EQ(result.exitCode, 1) << testing::PrintToString(c.arguments);
        EXPECT_EQ(result.err, c.message) << testing::PrintToString(c.arguments);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "folder"));
}

// A NaN or infinite coordinate is written as 0, with one warning per mesh that
// holds any, naming the mesh and the count.
TEST(ConvertExport, NonFiniteCoordinatesAreWrittenAsZeroWithAWarning) {
    testsupport::TempDir dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const testsupport::MeshSpec spoilt{
        .name = "Spoilt\n", .vertices = {{nan, 1, 1}, {2, inf, -inf}, {0, 0, 0}}, .faces = {{0, 1, 2}}};
    const testsupport::MeshSpec clean{.name = "Clean", .vertices = {{1, 1, 1}}, .faces = {{0, 0, 0}}};
    const testsupport::MeshSpec half{.name = "Half", .vertices = {{1, nan, 1}}, .faces = {{0, 0, 0}}};
    Save(dir.File("nan.3ds"), testsupport::BuildModel({spoilt, clean, half}));
    const std::string spoiltWarning =
        "korvane-convert: warning: mesh \"Spoilt\\n\": 3 coordinates are not a finite number; written as 0\n";
    const std::string halfWarning =
        "korvane-convert: warning: mesh \"Half\": 1 coordinate is not a finite number; written as 0\n";
    const struct {
        std::vector<std::string> arguments;
        std::string warnings;
    } cases[] = {
        {{}, spoiltWarning + halfWarning},
        {{"--mesh", "0"}, spoiltWarning},
        {{"--mesh", "1"}, ""},
        {{"-b", "--mesh-name", "Half"}, halfWarning},
        {{"-m"}, spoiltWarning + halfWarning},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"-o", "-", dir.File("nan.3ds")});
        const ProcessResult result = Convert(arguments);
        EXPECT_EQ(result.exitCode, 0) << testing::PrintToString(c.arguments);
        EXPECT_EQ(result.err, c.warnings) << testing::PrintToString(c.arguments);
        EXPECT_EQ(result.out.find("nan"), std::string::npos);
        EXPECT_EQ(result.out.find("inf"), std::string::npos);
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
    std::filesystem::create_directory(dir.File("folder.3ds"));
    ASSERT_EQ(::mkfifo(dir.File("fifo.3da").c_str(), 0600), 0);
    struct Case {
        std::string input;
        std::string message;
    };
    const Case cases[] = {
        {dir.File("missing.3ds"),
         "korvane-convert: ファイル " + dir.File("missing.3ds") + " は開けません: No such file or directory\n"},
        {dir.File("folder.3ds"), "korvane-convert: ファイル " + dir.File("folder.3ds") + " は開けません: Is a directory\n"},
        {dir.File("fifo.3da"),
         "korvane-convert: ファイル " + dir.File("fifo.3da") + " は開けません: 通常のファイルではありません\n"},
        {dir.File("cut.3ds"), "korvane-convert: " + dir.File("cut.3ds") +
                                  ": ストリームからの読み込みエラー: ファイルがデータの途中で終わっています (4 バイト)\n"},
        {dir.File("damaged.3ds"),
         "korvane-convert: An invalid Chunk structure was encountered while reading\n"
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
            "korvane-convert: cannot unpack " + input + ": not a packed model file, or its packed data is corrupt\n";
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
        {"-o", "", "a.3ds"},
        {"--output", "", "-b", "a.3ds"},
        {"--scale", "0", "a.3ds"},
        {"--scale", "-2", "a.3ds"},
        {"--scale", "nan", "a.3ds"},
        {"--scale", "inf", "a.3ds"},
        {"--scale", "1e39", "a.3ds"},
        {"--scale", "1e-50", "a.3ds"},
        {"--scale", "2x", "a.3ds"},
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

// Every message begins with the tool's name, names the file and says why, in
// the language the environment puts first.
TEST(ConvertMessages, NameTheFileAndTheReasonInTheUsersLanguage) {
    testsupport::TempDir dir;
    Save(dir.File("empty.3ds"), {});
    Save(dir.File("text.3ds"), {'h', 'e', 'l', 'l', 'o', '\n'});
    const std::string empty = dir.File("empty.3ds"), text = dir.File("text.3ds"), missing = dir.File("missing.3ds");
    const struct {
        std::string input;
        std::string japanese, english;
    } cases[] = {
        {empty, empty + ": ストリームからの読み込みエラー: ファイルが空です", empty + ": Stream read error: the file is empty"},
        {text, "READ ERROR : " + text + ": 3D Studio のモデルではありません",
         "READ ERROR : " + text + ": not a 3D Studio model"},
        {missing, "ファイル " + missing + " は開けません: No such file or directory",
         "Cannot open file " + missing + ": No such file or directory"},
    };
    for (const auto& c : cases) {
        for (const auto& [language, line] : {std::pair{"LANGUAGE=ja", c.japanese}, {"LANG=en_US.UTF-8", c.english}}) {
            for (const char* command : {"--list", "-o"}) {
                std::vector<std::string> words = {"/usr/bin/env", "-u", "LANGUAGE", "-u", "LC_ALL", "-u", "LC_MESSAGES",
                                                  language, KORVANE_CONVERT, command};
                if (std::string(command) == "-o") words.push_back(dir.File("out.x"));
                words.push_back(c.input);
                const ProcessResult result = RunProcess(words);
                EXPECT_EQ(result.exitCode, 1);
                EXPECT_EQ(result.err, "korvane-convert: " + line + "\n") << language << " " << command;
            }
        }
    }
}
