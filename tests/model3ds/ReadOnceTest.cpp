// A model file is read once when it is loaded: whatever happens to the file
// afterwards, the model keeps what the file held, and only its top chunk is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/Beep.h"
#include "base/Texts.h"
#include "Errors3DS.h"
#include "model3ds/File3DS.h"
#include "model3ds/Keyframer.h"
#include "support/TempDir.h"

using namespace model3ds;

namespace {

template <typename T>
void AppendBytes(std::string& out, const std::vector<T>& values) {
    out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
    out += '|';
}

template <typename T>
void AppendValue(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendTrack(std::string& out, const TKFTrack3DS& track) {
    AppendValue(out, track.Flags);
    for (const TKFKey3DS& key : track.Keys) {
        AppendValue(out, key.Frame);
        AppendValue(out, key.SplineFlags);
        AppendValue(out, key.Spline);
        AppendValue(out, key.Value);
    }
}

// Everything the readers give of the model, as bytes to compare.
std::string Contents(TFile3DS& model) {
    std::string out;
    for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) {
        const TMesh3DS& mesh = *model.ObjectList().GetMesh(i);
        out += mesh.Name + '|';
        AppendBytes(out, mesh.Vertices);
        AppendBytes(out, mesh.TexCoords);
        AppendBytes(out, mesh.Faces);
        AppendBytes(out, mesh.SmoothGroups);
        AppendValue(out, mesh.LocalMatrix);
        for (const TObjMat3DS& group : mesh.MatGroups) {
            out += group.Name + '|';
            AppendBytes(out, group.FaceIndices);
        }
    }
    for (int i = 0; i < model.MaterialList().MaterialTotal(); ++i) {
        const TMaterial3DS& material = *model.MaterialList().GetMaterial(i);
        out += material.Name + '|' + material.TextureMap.Map.Name + '|';
        AppendValue(out, material.Ambient);
        AppendValue(out, material.Diffuse);
        AppendValue(out, material.Specular);
        AppendValue(out, material.Transparency);
    }
    const TKeyframer3DS keyframer = ReadKeyframer(model);
    AppendValue(out, keyframer.SegmentEnd);
    for (const TKFNode3DS& node : keyframer.Nodes) {
        out += node.Name + '|' + node.Instance + '|';
        AppendValue(out, node.Id);
        AppendValue(out, node.ParentId);
        AppendValue(out, node.Pivot);
        for (const TKFTrack3DS* track : {&node.Position, &node.Rotation, &node.Scale, &node.Roll, &node.Hide})
            AppendTrack(out, *track);
    }
    return out;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

TEST(ReadOnce, ModelKeepsWhatItsFileHeldWhenTheFileChangesAfterLoading) {
    const std::filesystem::path shared = testsupport::SharedModels();
    if (shared.empty()) GTEST_SKIP() << "shared 3ds models not found";
    struct Change {
        const char* what;
        void (*apply)(const std::string& path, const std::string& original);
    };
    const Change changes[] = {
        {"deleted", [](const std::string& path, const std::string&) { std::filesystem::remove(path); }},
        {"emptied", [](const std::string& path, const std::string&) { std::filesystem::resize_file(path, 0); }},
        {"overwritten in place",
         [](const std::string& path, const std::string& original) {
             std::string other = original;
             for (std::size_t i = 6; i < other.size(); ++i) other[i] = static_cast<char>(~other[i]);
             testsupport::SaveFile(path, Bytes(other));
         }},
    };
    for (const char* name : {"3ds/test1.3ds", "3ds/CameraRollAnimWithChildObject.3ds", "3ds/cubes_with_alpha.3DS"}) {
        const std::string original = testsupport::ReadFile(shared / name);
        ASSERT_FALSE(original.empty()) << name;
        TFile3DS reference;
        reference.LoadFromBytes(Bytes(original));
        const std::string expected = Contents(reference);
        for (const Change& change : changes) {
            testsupport::TempDir dir;
            const std::string path = dir.File("model.3ds");
            testsupport::SaveFile(path, Bytes(original));
            TFile3DS model(path);
            change.apply(path, original);
            base::SetBeepHook([] {});
            try {
                EXPECT_TRUE(Contents(model) == expected) << name << ", " << change.what;
            } catch (const std::exception& error) {
                ADD_FAILURE() << name << ", " << change.what << ": " << error.what();
            }
            base::SetBeepHook(nullptr);
        }
    }
}

// Only the top chunk is read: a file may go on far past it (here a sparse tail
// larger than any memory), and a top chunk longer than its file is refused.
TEST(ReadOnce, OnlyTheTopChunkIsRead) {
    const std::filesystem::path shared = testsupport::SharedModels();
    if (shared.empty()) GTEST_SKIP() << "shared 3ds models not found";
    const std::string original = testsupport::ReadFile(shared / "3ds/test1.3ds");
    TFile3DS reference;
    reference.LoadFromBytes(Bytes(original));
    const std::string expected = Contents(reference);

    testsupport::TempDir dir;
    const std::string tailed = dir.File("tailed.3ds");
    testsupport::SaveFile(tailed, Bytes(original));
    std::filesystem::resize_file(tailed, std::uintmax_t{1} << 40);
    TFile3DS model(tailed);
    EXPECT_TRUE(Contents(model) == expected);

    const std::string cut = dir.File("cut.3ds");
    testsupport::SaveFile(cut, Bytes(original.substr(0, original.size() - 1)));
    int beeps = 0;
    base::SetBeepHook([&] { ++beeps; });
    EXPECT_THROW(model.LoadFromFile(cut), E3DSError);
    base::SetBeepHook(nullptr);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(model.ObjectList().MeshTotal(), 0);
}

// A top chunk that claims more than the reader holds in memory is refused before a
// byte of it is read; one that claims more than its file holds is refused at its
// header, whatever it claims. The files are sparse: they take no disk space.
TEST(ReadOnce, HostileTopChunkLengthsAreRefusedUnread) {
    const struct {
        const char* what;
        std::uintmax_t fileSize;
        std::uint32_t claimed;
        const char* text;
    } cases[] = {
        {"one byte past 1 GiB", (std::uintmax_t{1} << 30) + 1, (std::uint32_t{1} << 30) + 1, base::kFileLargerThan},
        {"nearly 4 GiB", 0xFFFFFFFF, 0xFFFFFFFF, base::kFileLargerThan},
        {"2 GB claimed in 100 bytes", 100, 2000000000, kErrorInvalidChunk},
        {"1 GiB claimed in 100 bytes", 100, std::uint32_t{1} << 30, kErrorInvalidChunk},
    };
    for (const auto& c : cases) {
        testsupport::TempDir dir;
        const std::string path = dir.File("hostile.3ds");
        std::vector<std::uint8_t> header = {0x4D, 0x4D};
        for (int shift = 0; shift < 32; shift += 8) header.push_back(static_cast<std::uint8_t>(c.claimed >> shift));
        testsupport::SaveFile(path, header);
        std::filesystem::resize_file(path, c.fileSize);
        base::SetBeepHook([] {});
        try {
            TFile3DS model(path);
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const E3DSError& error) {
            EXPECT_EQ(error.Text(), c.text) << c.what;
            if (c.text == base::kFileLargerThan) {
                EXPECT_EQ(error.Values(), std::vector<std::string>{"1024"}) << c.what;
                EXPECT_EQ(error.Detail().file, path) << c.what;
            }
        }
        base::SetBeepHook(nullptr);
    }
}
