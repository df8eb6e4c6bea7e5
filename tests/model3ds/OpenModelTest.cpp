#include <gtest/gtest.h>

#include "PackedFile.h"
#include "model3ds/OpenModel.h"
#include "model3ds/Pack3DA.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"

using namespace model3ds;

namespace {

// A model of over one block, so that cutting the packed file's end leaves its
// first block whole.
std::vector<std::uint8_t> TwoMeshModel() {
    testsupport::MeshSpec large{.name = "Large"};
    for (int i = 0; i < 4000; ++i) large.vertices.push_back({static_cast<float>(i), 0, 0});
    return testsupport::BuildModel({large, {.name = "Small", .vertices = {{1, 2, 3}}}});
}

constexpr int kNothing = -1;      // nothing to open: false, and the model keeps what it had
constexpr int kReaderError = -2;  // the reader refuses what came out

// Meshes after opening bytes under policy, or one of the codes above.
int OpenedMeshes(const std::vector<std::uint8_t>& bytes, const std::string& name, TUnpackPolicy policy) {
    TFile3DS model;
    OpenModelBytes(model, testsupport::BuildModel({{.name = "Previous", .vertices = {{0, 0, 0}}}}), "previous.3ds",
                   policy);
    try {
        if (!OpenModelBytes(model, bytes, name, policy)) return model.ObjectList().MeshTotal() == 1 ? kNothing : -3;
        return model.ObjectList().MeshTotal();
    } catch (const E3DSError&) {
        return kReaderError;
    }
}

}  // namespace

TEST(OpenModel, PackedAndPlainBytesOpenUnderEachPolicy) {
    const std::vector<std::uint8_t> model = TwoMeshModel();
    const std::vector<std::uint8_t> packed = Pack3DA(model.data(), model.size());
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int anyOutput;       // meshes or code under TUnpackPolicy::AnyOutput
        bool completeOpens;  // false: TUnpackPolicy::Complete raises EUnpackError
    };
    const Case cases[] = {
        {"whole.3DA", packed, 2, true},
        {"plain.3ds", model, 2, true},
        {"no-extension", model, 2, true},
        {"folder.3da/plain", model, 2, true},
        {"cut.3da", std::vector<std::uint8_t>(packed.begin(), packed.end() - 5), kReaderError, false},
        {"header-only.3da", packtest::PackedFile(0x10000, {}), kNothing, false},
        {"text.3da", {'h', 'e', 'l', 'l', 'o'}, kNothing, false},
        {"empty.3ds", {}, kNothing, true},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpenedMeshes(c.bytes, c.name, TUnpackPolicy::AnyOutput), c.anyOutput);
        if (c.completeOpens) {
            EXPECT_EQ(OpenedMeshes(c.bytes, c.name, TUnpackPolicy::Complete), c.anyOutput);
        } else {
            EXPECT_THROW(OpenedMeshes(c.bytes, c.name, TUnpackPolicy::Complete), EUnpackError);
            EXPECT_THROW(UnpackBytes(c.bytes, c.name, TUnpackPolicy::Complete), EUnpackError);
        }
        // A file opens as its bytes do.
        const std::string path = dir.File(std::string(c.name).substr(std::string(c.name).rfind('/') + 1));
        base::WriteFileAtomically(path, c.bytes.data(), c.bytes.size());
        if (c.completeOpens && !c.bytes.empty() && IsPackedName(path) == IsPackedName(c.name)) {
            TFile3DS fromFile;
            EXPECT_TRUE(OpenModelFile(fromFile, path, TUnpackPolicy::Complete));
            EXPECT_EQ(fromFile.ObjectList().MeshTotal(), c.anyOutput);
        }
    }
}
