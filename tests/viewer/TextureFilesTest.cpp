#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "support/TempDir.h"
#include "viewer/TextureFiles.h"

using namespace viewer;

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

}  // namespace

// A model's folder "model" beside a file that is not the model's: names find
// files of the folder in any capitals and through its subfolders, and nothing
// outside it, nor any link, folder or pipe.
TEST(TextureFiles, NamesFindOnlyRegularFilesInsideTheFolder) {
    testsupport::TempDir temp;
    const auto model = temp.Path() / "model";
    std::filesystem::create_directories(model / "Sub");
    std::filesystem::create_directories(model / "dir.png");
    WriteText(model / "Wood.TGA", "wood");
    WriteText(model / "Sub" / "Leaf.png", "leaf");
    WriteText(temp.Path() / "secret.png", "secret");
    std::filesystem::create_symlink("../secret.png", model / "out.png");
    std::filesystem::create_symlink("Wood.TGA", model / "in.tga");
    std::filesystem::create_directory_symlink("..", model / "up");
    ASSERT_EQ(mkfifo((model / "pipe.png").c_str(), 0600), 0);

    const struct {
        std::string name;
        const char* found;  // nullptr: none
    } cases[] = {
        {"Wood.TGA", "Wood.TGA"},
        {"WOOD.TGA", "Wood.TGA"},
        {"wood.tga", "Wood.TGA"},
        {"./wood.tga", "Wood.TGA"},
        {"SUB\\LEAF.PNG", "Sub/Leaf.png"},
        {"sub//leaf.png", "Sub/Leaf.png"},
        {"sub/../wood.tga", "Wood.TGA"},
        {"../model/wood.tga", nullptr},
        {"sub/../../secret.png", nullptr},
        {(model / "Wood.TGA").string(), nullptr},
        {(temp.Path() / "secret.png").string(), nullptr},
        {"\\secret.png", nullptr},
        {"out.png", nullptr},
        {"in.tga", nullptr},
        {"up/secret.png", nullptr},
        {"dir.png", nullptr},
        {"sub", nullptr},
        {"pipe.png", nullptr},
        {"missing.png", nullptr},
        {"", nullptr},
        {".", nullptr},
    };
    TextureFiles files(model.string());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(files.Find(c.name).value_or("(none)"), c.found ? c.found : "(none)");
    }
    const auto file = files.Open("Sub/Leaf.png");
    ASSERT_TRUE(file.has_value());
    const auto bytes = file->ReadAll();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "leaf");
    EXPECT_FALSE(TextureFiles((temp.Path() / "none").string()).Find("wood.tga").has_value());
}

// A file found and then replaced by a pipe or a link is not opened.
TEST(TextureFiles, OpensOnlyWhatIsStillARegularFile) {
    testsupport::TempDir temp;
    WriteText(temp.Path() / "a.png", "a");
    WriteText(temp.Path() / "b.png", "b");
    WriteText(temp.Path() / "c.png", "c");
    TextureFiles files(temp.Path().string());
    for (const char* name : {"a.png", "b.png", "c.png"}) ASSERT_TRUE(files.Find(name).has_value()) << name;
    std::filesystem::remove(temp.Path() / "a.png");
    ASSERT_EQ(mkfifo((temp.Path() / "a.png").c_str(), 0600), 0);
    std::filesystem::remove(temp.Path() / "b.png");
    std::filesystem::create_symlink("c.png", temp.Path() / "b.png");
    EXPECT_FALSE(files.Open("a.png").has_value());
    EXPECT_FALSE(files.Open("b.png").has_value());
    EXPECT_TRUE(files.Open("c.png").has_value());
}
