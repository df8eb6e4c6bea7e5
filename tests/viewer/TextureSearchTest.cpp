#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"
#include "viewer/TextureSearch.h"

using namespace viewer;

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Every file the search offers for name, in its order.
std::vector<TTextureCandidate> Offered(TextureSearch& search, const std::string& name) {
    std::vector<TTextureCandidate> offered;
    search.FirstTaken(name, [&offered](const TTextureCandidate& candidate) {
        offered.push_back(candidate);
        return false;
    });
    return offered;
}

}  // namespace

// A collection: models/ beside textures/, files in other capitals than the
// model names them, .tga files where it names .RGB, two extra folders. The
// candidates come in the search's order, each once, shown relative to the
// model's folder (the extra folders relative to the collection here); no link
// is followed out of a folder.
TEST(TextureSearch, FindsACollectionsTexturesInOrder) {
    testsupport::TempDir temp;
    const auto top = temp.Path();
    for (const char* file : {"models/Local.TGA", "models/Sub/leaf.png", "models/Maps/HULL.png", "models/wing.png",
                             "textures/ship_fra.tga", "textures/SHIP_FRA.CEL", "textures/wing.png", "textures/bad.png",
                             "textures/bad.TGA", "Bitmaps/deck.JPEG", "top.png", "extra1/wing.png",
                             "extra2/wing.png", "extra2/only2.png", "secret/x.png", "secret/linked.png"})
        WriteText(top / file, file);
    std::filesystem::create_symlink("../secret/x.png", top / "textures/out.png");
    std::filesystem::create_directory_symlink("secret", top / "maps");
    const std::vector<std::string> extra{(top / "extra1").string(), (top / "extra2").string()};

    const struct {
        std::string name;
        std::vector<std::string> shown;  // the extra folders' files from the collection's folder
        bool firstNoted;
    } cases[] = {
        {"Local.tga", {"Local.TGA"}, false},
        {"sub\\LEAF.PNG", {"Sub/leaf.png"}, false},
        {"SHIP_FRA.RGB", {"../textures/ship_fra.tga"}, true},
        {"ship_fra.cel", {"../textures/SHIP_FRA.CEL", "../textures/ship_fra.tga"}, true},
        {"hull.PNG", {"Maps/HULL.png"}, true},
        {"c:\\art\\deck.jpeg", {"../Bitmaps/deck.JPEG"}, true},
        {"WING.PNG", {"extra1/wing.png", "extra2/wing.png", "wing.png", "../textures/wing.png"}, false},
        {"maps/only2.bmp", {"extra2/only2.png"}, true},
        {"../textures/bad.png", {"../textures/bad.png", "../textures/bad.TGA"}, true},
        {"sub/local.rgb", {"Local.TGA"}, true},
        {"top.png", {"../top.png"}, true},
        {"out.png", {}, false},
        {"linked.png", {}, false},
        {"missing.rgb", {}, false},
        {"models/", {}, false},
    };
    TextureSearch search((top / "models").string(), extra);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> shown;
        const std::vector<TTextureCandidate> candidates = Offered(search, c.name);
        for (const TTextureCandidate& candidate : candidates) {
            const std::string prefix = top.string() + "/";
            shown.push_back(candidate.Shown.starts_with(prefix) ? candidate.Shown.substr(prefix.size()) : candidate.Shown);
            const auto file = candidate.Files->Open(candidate.Found);
            ASSERT_TRUE(file.has_value());
            // Each file holds its own path in the collection.
            const auto bytes = file->ReadAll();
            EXPECT_TRUE(std::filesystem::equivalent(candidate.Path, top / std::string(bytes.begin(), bytes.end())))
                << candidate.Path;
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(!candidates.empty() && candidates.front().Noted, c.firstNoted);
        // The file taken is the one returned, and nothing is offered after it.
        if (candidates.empty()) continue;
        int asked = 0;
        const auto taken = search.FirstTaken(c.name, [&](const TTextureCandidate& candidate) {
            ++asked;
            return candidate.Path == candidates.back().Path;
        });
        ASSERT_TRUE(taken.has_value());
        EXPECT_EQ(taken->Path, candidates.back().Path);
        EXPECT_EQ(asked, static_cast<int>(candidates.size()));
    }
}

// A model in a folder named like a texture folder is not looked in twice, and
// a model at the top of the file system has no parent to look in.
TEST(TextureSearch, ModelFolderNamedTexturesIsListedOnce) {
    testsupport::TempDir temp;
    WriteText(temp.Path() / "Textures/a.png", "a");
    TextureSearch search((temp.Path() / "Textures").string(), {});
    const auto candidates = Offered(search, "A.PNG");
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].Shown, "a.png");
    TextureSearch top("/", {});
    EXPECT_TRUE(Offered(top, "no-such-texture.rgb").empty());
}
