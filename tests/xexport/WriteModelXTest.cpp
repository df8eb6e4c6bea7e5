#include <gtest/gtest.h>

#include <filesystem>

#include "XExportTestSupport.h"
#include "support/TempDir.h"
#include "xexport/WriteModelX.h"

using namespace xtest;
using xexport::TXForm;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

// Every form and choice of mesh comes out as the writer for it writes, whether it
// goes into a stream or replaces a file.
TEST(WriteModelX, EachFormAndChoiceReachesStreamAndFileAlike) {
    auto model = LoadModel({{.name = "Empty", .vertices = {}},
                            {.name = "Tri", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}}});
    const xexport::TExportOptions options;
    struct Case {
        TXForm form;
        int mesh;
        std::vector<std::uint8_t> expected;  // empty: nothing to write
    };
    const Case cases[] = {
        {TXForm::Text, 1, Bytes(MeshText(*model, options, 1))},
        {TXForm::Text, xexport::kMergedMeshes, Bytes(MergedText(*model, options))},
        {TXForm::Binary, 1, MeshBinary(*model, options, 1)},
        {TXForm::Binary, xexport::kMergedMeshes, MergedBinary(*model, options)},
        {TXForm::Text, 0, {}},
        {TXForm::Binary, 0, {}},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.form)) + " mesh " + std::to_string(c.mesh));
        base::MemoryStream stream;
        xexport::WriteModelX(*model, options, c.mesh, c.form, dir.File("ignored.x"), &stream);
        EXPECT_EQ(stream.Bytes(), c.expected);
        EXPECT_FALSE(std::filesystem::exists(dir.File("ignored.x")));

        const std::string path = dir.File("out.x");
        testsupport::SaveFile(path, Bytes("old"));
        xexport::WriteModelX(*model, options, c.mesh, c.form, path, nullptr);
        const std::string written = testsupport::ReadFile(path);
        EXPECT_EQ(written, c.expected.empty() ? "old" : std::string(c.expected.begin(), c.expected.end()));
    }
}
