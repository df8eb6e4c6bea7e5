// Damaged copies of real files either read or fail with the reader's, the
// stream's or the list's own error; nothing else may happen (the sanitizer
// build catches reads out of bounds).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "support/TempDir.h"

using namespace model3ds;

namespace {

struct Outcome {
    int read = 0;
    int failed = 0;
};

// Walks every mesh and material; an index that fails does not stop the others.
void WalkModel(TFile3DS& model, Outcome& outcome) {
    long long sum = 0;
    for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) {
        try {
            const TMesh3DS& mesh = *model.ObjectList().GetMesh(i);
            sum += mesh.NumVertices() + mesh.NumFaces() + mesh.NumTexCoords() + mesh.Name.size();
            for (const TObjMat3DS& group : mesh.MatGroups) sum += group.NumFaces();
        } catch (const base::Exception&) {
            ++outcome.failed;
        }
    }
    for (int i = 0; i < model.MaterialList().MaterialTotal(); ++i) {
        try {
            sum += model.MaterialList().GetMaterial(i)->Name.size();
        } catch (const base::Exception&) {
            ++outcome.failed;
        }
    }
    EXPECT_GE(sum, 0);
}

void TryRead(const std::vector<std::uint8_t>& bytes, Outcome& outcome) {
    TFile3DS model;
    try {
        base::MemoryStream stream(bytes);
        model.LoadFromStream(stream);
        ++outcome.read;
        WalkModel(model, outcome);
    } catch (const E3DSError&) {
        ++outcome.failed;
    } catch (const base::EStreamError&) {
        ++outcome.failed;
    } catch (const base::EListError&) {
        ++outcome.failed;
    }
}

std::vector<std::size_t> Positions(std::size_t size, std::size_t count) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < std::min<std::size_t>(size, 64); ++i) positions.push_back(i);
    for (std::size_t i = 0; i < count; ++i) positions.push_back(size * i / count);
    return positions;
}

std::vector<std::filesystem::path> SharedFiles() {
    std::vector<std::filesystem::path> files;
    if (testsupport::SharedModels().empty()) return files;
    for (const auto& entry : std::filesystem::directory_iterator(testsupport::SharedModels() / "3ds")) {
        files.push_back(entry.path());
    }
    return files;
}

}  // namespace

TEST(Robustness, TruncatedFilesReadOrFailCleanly) {
    const auto files = SharedFiles();
    if (files.empty()) GTEST_SKIP() << "shared 3ds models not found";
    for (const auto& file : files) {
        const std::vector<std::uint8_t> bytes = base::ReadWholeFile(file.string());
        Outcome outcome;
        for (std::size_t cut : Positions(bytes.size(), 300)) {
            TryRead(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)),
                    outcome);
        }
        EXPECT_GT(outcome.failed, 0) << file;
    }
}

TEST(Robustness, FlippedBytesReadOrFailCleanly) {
    const auto files = SharedFiles();
    if (files.empty()) GTEST_SKIP() << "shared 3ds models not found";
    std::mt19937 random(12345);
    for (const auto& file : files) {
        const std::vector<std::uint8_t> bytes = base::ReadWholeFile(file.string());
        Outcome outcome;
        for (std::size_t position : Positions(bytes.size(), 400)) {
            for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, static_cast<std::uint8_t>(bytes[position] ^ 0x80)}) {
                std::vector<std::uint8_t> damaged = bytes;
                damaged[position] = value;
                TryRead(damaged, outcome);
            }
        }
        // Several bytes at once, at random places.
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> damaged = bytes;
            for (int k = 0; k < 8; ++k) damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
            TryRead(damaged, outcome);
        }
        EXPECT_GT(outcome.read, 0) << file;
    }
}
