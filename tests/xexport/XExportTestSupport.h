#pragma once
// Models built in the test, the writers' output captured in memory, and a decoder
// of the binary token stream for checking what was written.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model3ds/File3DS.h"
#include "support/Writer3DS.h"
#include "xexport/ExportOptions.h"

namespace xtest {

std::unique_ptr<model3ds::TFile3DS> LoadModel(const std::vector<testsupport::MeshSpec>& meshes,
                                              const std::vector<testsupport::MaterialSpec>& materials = {});

// One mesh "Tri", vertices (0, 0, 0), (1, 0, 0), (0, 1, 0), one face (0, 1, 2) in a
// group of the material "Red": diffuse 1, 0, 0, specular 0.9, 0.9, 0.9.
std::unique_ptr<model3ds::TFile3DS> TriangleModel();

std::string MeshText(model3ds::TFile3DS& model, const xexport::TExportOptions& options, int meshIndex);
std::string MergedText(model3ds::TFile3DS& model, const xexport::TExportOptions& options);
std::vector<std::uint8_t> MeshBinary(model3ds::TFile3DS& model, const xexport::TExportOptions& options,
                                     int meshIndex);
std::vector<std::uint8_t> MergedBinary(model3ds::TFile3DS& model, const xexport::TExportOptions& options);

// The text's lines without their CR LF.
std::vector<std::string> Lines(const std::string& text);

struct XToken {
    std::uint16_t code = 0;
    std::string name;                 // TOKEN_NAME
    std::vector<std::uint32_t> ints;  // TOKEN_INTEGER_LIST
    std::vector<float> floats;        // TOKEN_FLOAT_LIST
};

// The tokens after the 16-byte signature; fails the test on a malformed stream.
std::vector<XToken> DecodeTokens(const std::vector<std::uint8_t>& bytes);

// The list that follows the token named name (its first list), as integers or floats.
const XToken& ListAfter(const std::vector<XToken>& tokens, const std::string& name, int skip = 0);

}  // namespace xtest
