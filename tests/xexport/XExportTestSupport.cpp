#include "XExportTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/Stream.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/XTextWriter.h"

namespace xtest {

std::unique_ptr<model3ds::TFile3DS> LoadModel(const std::vector<testsupport::MeshSpec>& meshes,
                                              const std::vector<testsupport::MaterialSpec>& materials) {
    base::MemoryStream stream(testsupport::BuildModel(meshes, materials));
    auto model = std::make_unique<model3ds::TFile3DS>();
    model->LoadFromStream(stream);
    return model;
}

std::unique_ptr<model3ds::TFile3DS> TriangleModel() {
    auto model = LoadModel({{.name = "Tri",
                             .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                             .faces = {{0, 1, 2}},
                             .groups = {{"Red", {0}}}}},
                           {{.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0}}});
    model->MaterialList().GetMaterial(0)->Specular = {0.9f, 0.9f, 0.9f};
    return model;
}

namespace {

std::string AsString(const base::MemoryStream& stream) {
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

std::string MeshText(model3ds::TFile3DS& model, const xexport::TExportOptions& options, int meshIndex) {
    base::MemoryStream stream;
    xexport::WriteMeshXText(model, options, "", &stream, meshIndex);
    return AsString(stream);
}

std::string MergedText(model3ds::TFile3DS& model, const xexport::TExportOptions& options) {
    base::MemoryStream stream;
    xexport::WriteMergedXText(model, options, "", &stream);
    return AsString(stream);
}

std::vector<std::uint8_t> MeshBinary(model3ds::TFile3DS& model, const xexport::TExportOptions& options,
                                     int meshIndex) {
    base::MemoryStream stream;
    xexport::WriteMeshXBinary(model, options, "", stream, meshIndex);
    return stream.Bytes();
}

std::vector<std::uint8_t> MergedBinary(model3ds::TFile3DS& model, const xexport::TExportOptions& options) {
    base::MemoryStream stream;
    xexport::WriteMergedXBinary(model, options, "", stream);
    return stream.Bytes();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF";
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

namespace {

class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool AtEnd() const { return at_ == bytes_.size(); }
    template <typename T>
    T Take() {
        T value{};
        if (at_ + sizeof value > bytes_.size()) throw std::runtime_error("token stream ends early");
        std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::string TakeText(std::size_t size) {
        if (at_ + size > bytes_.size()) throw std::runtime_error("name runs past the end");
        std::string text(bytes_.begin() + static_cast<long>(at_), bytes_.begin() + static_cast<long>(at_ + size));
        at_ += size;
        return text;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 16;
};

}  // namespace

std::vector<XToken> DecodeTokens(const std::vector<std::uint8_t>& bytes) {
    std::vector<XToken> tokens;
    if (bytes.size() < 16 || std::memcmp(bytes.data(), "xof 0303bin 0032", 16) != 0) {
        ADD_FAILURE() << "no binary .x signature";
        return tokens;
    }
    Cursor cursor(bytes);
    try {
        while (!cursor.AtEnd()) {
            XToken token;
            token.code = cursor.Take<std::uint16_t>();
            switch (token.code) {
            case 1:
            case 2:  // a string keeps its text in name; its separator follows as a token of its own
                token.name = cursor.TakeText(cursor.Take<std::uint32_t>());
                break;
            case 20:
                break;
            case 6:
                token.ints.resize(cursor.Take<std::uint32_t>());
                for (auto& value : token.ints) value = cursor.Take<std::uint32_t>();
                break;
            case 7:
                token.floats.resize(cursor.Take<std::uint32_t>());
                for (auto& value : token.floats) value = cursor.Take<float>();
                break;
            case 10:
            case 11:
                break;
            default:
                throw std::runtime_error("unexpected token code " + std::to_string(token.code));
            }
            tokens.push_back(std::move(token));
        }
    } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
    }
    return tokens;
}

const XToken& ListAfter(const std::vector<XToken>& tokens, const std::string& name, int skip) {
    static const XToken none;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].code != 1 || tokens[i].name != name) continue;
        for (std::size_t j = i + 1; j < tokens.size(); ++j) {
            if (tokens[j].code != 6 && tokens[j].code != 7) continue;
            if (skip-- == 0) return tokens[j];
        }
    }
    ADD_FAILURE() << "no list after " << name;
    return none;
}

}  // namespace xtest
