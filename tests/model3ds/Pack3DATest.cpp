#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "model3ds/Pack4Ex.h"
#include "PackedFile.h"
#include "support/TempDir.h"

namespace {

using packtest::Bytes;
using packtest::UnpackBytes;

Bytes RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(count);
    for (auto& b : out) b = static_cast<std::uint8_t>(random());
    return out;
}

Bytes Text(std::size_t count) {
    static const std::string words[] = {"mesh ", "material ", "vertex ", "face ", "Box01 ", "\n", "0.500000 ", "texture "};
    std::mt19937 random(7);
    Bytes out;
    while (out.size() < count) {
        const std::string& w = words[random() % 8];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(count);
    return out;
}

// Chunk headers, float coordinates on a grid, face index triples and zero padding:
// roughly what a 3D Studio mesh looks like.
Bytes ModelLike(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < count) {
        const std::uint8_t header[6] = {0x10, 0x41, static_cast<std::uint8_t>(random()), 0x02, 0, 0};
        out.insert(out.end(), header, header + 6);
        for (int i = 0; i < 300; ++i) {
            const float value = static_cast<float>(random() % 64) * 0.25f;
            std::uint8_t raw[4];
            std::memcpy(raw, &value, 4);
            out.insert(out.end(), raw, raw + 4);
        }
        for (std::uint16_t i = 0; i < 100; ++i) {
            const std::uint16_t face[4] = {i, static_cast<std::uint16_t>(i + 1), static_cast<std::uint16_t>(i + 2), 7};
            const auto* raw = reinterpret_cast<const std::uint8_t*>(face);
            out.insert(out.end(), raw, raw + sizeof face);
        }
        out.insert(out.end(), random() % 200, 0);
    }
    out.resize(count);
    return out;
}

Bytes Pack(const Bytes& data) { return model3ds::Pack3DA(data.data(), data.size()); }

// The first byte of each block's data, in order.
std::vector<std::uint8_t> BlockKinds(const Bytes& packed) {
    std::vector<std::uint8_t> kinds;
    for (std::size_t pos = 8; pos + 2 <= packed.size();) {
        const std::size_t length = packed[pos] | packed[pos + 1] << 8;
        EXPECT_LE(length, model3ds::kBlockBufferSize);
        kinds.push_back(packed[pos + 2]);
        pos += 2 + length;
    }
    return kinds;
}

void ExpectRoundTrip(const Bytes& data, const Bytes& packed) {
    const packtest::Unpacked result = UnpackBytes(packed);
    ASSERT_EQ(result.code, model3ds::kUnpackSuccess);
    ASSERT_EQ(result.bytes.size(), data.size());
    EXPECT_TRUE(result.bytes == data);
}

struct RoundTripCase {
    const char* name;
    Bytes data;
    double maxRatio;  // packed size / data size
};

TEST(Pack3DA, RoundTripsVariedData) {
    const RoundTripCase cases[] = {
        {"empty", {}, 100},
        {"one byte", {0x42}, 100},
        {"random, one byte short of a block", RandomBytes(32767, 1), 1.001},
        {"random, exactly one block", RandomBytes(32768, 2), 1.001},
        {"random, several blocks and a tail", RandomBytes(100000, 3), 1.001},
        {"zeros, exact multiple of the block", Bytes(4 * 32768, 0), 0.01},
        {"zeros with a tail", Bytes(200001, 0), 0.01},
        {"text", Text(150000), 0.5},
        {"model-like", ModelLike(300000, 4), 0.5},
        {"short runs of every length", [] {
             Bytes out;
             for (std::size_t n = 1; out.size() < 70000; ++n) out.insert(out.end(), n % 5000, static_cast<std::uint8_t>(n));
             return out;
         }(), 0.05},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes packed = Pack(c.data);
        ExpectRoundTrip(c.data, packed);
        if (!c.data.empty()) {
            EXPECT_LE(static_cast<double>(packed.size()), c.maxRatio * static_cast<double>(c.data.size()) + 8);
        }
    }
}

TEST(Pack3DA, WritesTheHeaderAndChoosesTheBlockKind) {
    Bytes data = RandomBytes(32768, 5);
    data.resize(32768 + 20000, 0);
    const Bytes packed = Pack(data);
    ASSERT_GE(packed.size(), 8u);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 8),
              (Bytes{0x53, 0x48, 0x01, 0x20, 0x20, 0xCE, 0x00, 0x00}));
    EXPECT_EQ(BlockKinds(packed), (std::vector<std::uint8_t>{model3ds::kStoredBlock, 0x00}));
}

TEST(Pack3DA, RoundTripsTheSharedModels) {
    const std::filesystem::path folder = testsupport::SharedModels() / "3ds";
    if (testsupport::SharedModels().empty() || !std::filesystem::exists(folder)) {
        GTEST_SKIP() << "shared models folder not found: " << KORVANE_SHARED_MODELS;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        const Bytes data = base::ReadWholeFile(entry.path().string());
        const Bytes packed = Pack(data);
        ExpectRoundTrip(data, packed);
        EXPECT_LT(packed.size(), data.size());
        ++files;
    }
    EXPECT_GT(files, 0);
}

// Damaged packed files must end in success or failure, never crash; the output
// holds exactly the bytes reported, never more than the stored total, and a
// success exactly the stored total.
TEST(Pack3DA, DamagedFilesNeverWritePastWhatTheyReport) {
    Bytes data = ModelLike(60000, 11);
    const Bytes text = Text(30000);
    data.insert(data.end(), text.begin(), text.end());
    data.insert(data.end(), 9000, 0x33);
    const Bytes original = Pack(data);
    std::mt19937 random(12345);
    for (int round = 0; round < 1500; ++round) {
        Bytes packed = original;
        switch (round % 3) {
            case 0:
                for (int flips = 1 + random() % 4; flips > 0; --flips) packed[8 + random() % (packed.size() - 8)] ^= static_cast<std::uint8_t>(1 + random() % 255);
                break;
            case 1:
                packed.resize(random() % packed.size());
                break;
            default:
                packed[random() % packed.size()] = static_cast<std::uint8_t>(random());
                packed.insert(packed.begin() + static_cast<std::ptrdiff_t>(random() % packed.size()), static_cast<std::uint8_t>(random()));
                break;
        }
        const packtest::Unpacked result = UnpackBytes(packed);
        ASSERT_TRUE(result.code == model3ds::kUnpackSuccess || result.code == model3ds::kUnpackFailed || result.code == model3ds::kUnpackNoData)
            << "round " << round;
        ASSERT_EQ(result.bytes.size(), result.written) << "round " << round;
        if (packed.size() >= 8) {
            const std::uint32_t total = packed[4] | packed[5] << 8 | packed[6] << 16 | static_cast<std::uint32_t>(packed[7]) << 24;
            ASSERT_LE(result.written, total) << "round " << round;
            if (result.code == model3ds::kUnpackSuccess) {
                ASSERT_EQ(result.written, total) << "round " << round;
            }
        }
    }
}

}  // namespace
