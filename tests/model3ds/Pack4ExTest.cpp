#include <gtest/gtest.h>

#include <string>

#include "base/Errors.h"
#include "model3ds/Pack4Ex.h"
#include "PackedFile.h"
#include "support/TempDir.h"

namespace {

using packtest::Bytes;
using packtest::PackedFile;
using packtest::RunsBlock;
using packtest::StoredBlock;
using packtest::UnpackBytes;

Bytes Repeat(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Letters(std::size_t count) {
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>('a' + i % 26));
    return out;
}

constexpr auto kCorrupt = model3ds::TDryICE::kCorruptBlock;

std::uint16_t Decode(const Bytes& block, Bytes& output) {
    output.assign(model3ds::kBlockBufferSize, 0xEE);
    return model3ds::TDryICE().DecodeBlock(block.data(), output.data(), static_cast<std::uint16_t>(block.size()));
}

struct BlockCase {
    const char* name;
    Bytes block;
    Bytes expected;
};

TEST(DryICE, DecodesEveryKindOfItem) {
    const Bytes sixteenLiterals = Letters(16);
    const BlockCase cases[] = {
        {"stored", {0x80, 0x41, 0x42, 0x43}, {0x41, 0x42, 0x43}},
        {"stored empty", {0x80, 0x41}, {0x41}},
        {"length below two", {0x80}, {}},
        {"coded without items", {0x00, 0x12}, {}},
        {"literal then reference", {0x00, 0x40, 0x00, 0x41, 0x00, 0x10}, Repeat(4, 0x41)},
        {"literal then run", {0x00, 0x40, 0x00, 0x41, 0x00, 0x00, 0x05, 0x42},
         Concat({{0x41}, Repeat(21, 0x42)})},
        {"overlapping reference repeats", {0x00, 0x20, 0x00, 'A', 'B', 0x00, 0x22}, {'A', 'B', 'A', 'B', 'A', 'B', 'A'}},
        {"longest run", {0x00, 0x80, 0x00, 0x00, 0x0F, 0xFF, 'z'}, Repeat(4111, 'z')},
        {"items end with bits left", {0x00, 0x00, 0x00, 'q'}, {'q'}},
        {"sixteen items end the block", Concat({{0x00, 0x00, 0x00}, sixteenLiterals}), sixteenLiterals},
        {"control word refilled after sixteen items",
         Concat({{0x00, 0x00, 0x00}, sixteenLiterals, {0x80, 0x00, 0x01, 0x0F}}),
         Concat({sixteenLiterals, sixteenLiterals, Letters(2)})},
        {"stored full block", StoredBlock(Repeat(32768, 7)), Repeat(32768, 7)},
        {"runs fill the block exactly", RunsBlock(8, 0x55), Repeat(32768, 0x55)},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes output;
        const std::uint16_t n = Decode(c.block, output);
        ASSERT_EQ(n, c.expected.size());
        EXPECT_TRUE(std::equal(c.expected.begin(), c.expected.end(), output.begin()));
    }
}

TEST(DryICE, RefusesBlocksThatBreakTheLimits) {
    const Bytes sixteenLiterals = Letters(16);
    const BlockCase cases[] = {
        {"reference before the block start", {0x00, 0x80, 0x00, 0x00, 0x10}, {}},
        {"reference further back than the output", {0x00, 0x40, 0x00, 0x41, 0x00, 0x20}, {}},
        {"largest distance at the start", {0x00, 0x80, 0x00, 0xFF, 0xFF}, {}},
        {"reference cut by the stored length", {0x00, 0x40, 0x00, 0x41, 0x00}, {}},
        {"run cut by the stored length", {0x00, 0x80, 0x00, 0x00, 0x00, 0x05}, {}},
        {"control word cut by the stored length", Concat({{0x00, 0x00, 0x00}, sixteenLiterals, {0x00}}), {}},
        {"control word without items", Concat({{0x00, 0x00, 0x00}, sixteenLiterals, {0x00, 0x00}}), {}},
        {"stored data over a block", StoredBlock(Repeat(32769, 1)), {}},
        {"longest runs past the block", {0x00, 0xFF, 0x00, 0x00, 0x0F, 0xFF, 1, 0x00, 0x0F, 0xFF, 1,
                                         0x00, 0x0F, 0xFF, 1, 0x00, 0x0F, 0xFF, 1, 0x00, 0x0F, 0xFF, 1,
                                         0x00, 0x0F, 0xFF, 1, 0x00, 0x0F, 0xFF, 1, 0x00, 0x0F, 0xFF, 1}, {}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes output;
        EXPECT_EQ(Decode(c.block, output), kCorrupt);
    }
}

TEST(DryICE, RefusesReferenceAndLiteralPastAFullBlock) {
    Bytes output;
    Bytes reference = RunsBlock(8, 9);
    reference[2] = 0x80;  // the ninth item is a reference
    reference.insert(reference.end(), {0x00, 0x10});
    EXPECT_EQ(Decode(reference, output), kCorrupt);
    Bytes literal = RunsBlock(8, 9);
    literal.push_back('x');
    EXPECT_EQ(Decode(literal, output), kCorrupt);
}

struct UnpackCase {
    const char* name;
    Bytes packed;
    std::int32_t code;
    Bytes output;
};

TEST(Pack4Ex, UnpackResultCodesAndOutput) {
    const Bytes full = StoredBlock(Letters(32768));
    const Bytes ten = StoredBlock(Letters(10));
    const Bytes header = PackedFile(0, {});
    const UnpackCase cases[] = {
        {"no blocks and total zero", PackedFile(0, {}), model3ds::kUnpackSuccess, {}},
        {"one short block", PackedFile(3, {{0x80, 1, 2, 3}}), model3ds::kUnpackSuccess, {1, 2, 3}},
        {"full block then a short one", PackedFile(32778, {full, ten}), model3ds::kUnpackSuccess,
         Concat({Letters(32768), Letters(10)})},
        {"total a multiple of the block", PackedFile(65536, {full, RunsBlock(8, 'r')}), model3ds::kUnpackSuccess,
         Concat({Letters(32768), Repeat(32768, 'r')})},
        {"empty last block", PackedFile(32768, {full, {}}), model3ds::kUnpackSuccess, Letters(32768)},
        {"wrong first word", Concat({{0x54}, Bytes(header.begin() + 1, header.end())}), model3ds::kUnpackFailed, {}},
        {"wrong second word", Concat({Bytes(header.begin(), header.begin() + 3), {0x21, 0, 0, 0, 0}}),
         model3ds::kUnpackFailed, {}},
        {"cut in the identification", Bytes(header.begin(), header.begin() + 3), model3ds::kUnpackFailed, {}},
        {"cut in the total size", Bytes(header.begin(), header.begin() + 6), model3ds::kUnpackFailed, {}},
        {"total larger than the blocks", PackedFile(11, {ten}), model3ds::kUnpackFailed, Letters(10)},
        {"missing block after a full one", PackedFile(32778, {full}), model3ds::kUnpackFailed, Letters(32768)},
        {"cut in a block's data", Concat({PackedFile(32778, {full}), {11, 0, 0x80, 'a', 'b'}}),
         model3ds::kUnpackFailed, Letters(32768)},
        {"cut in a block's length", Concat({PackedFile(32778, {full}), {11}}), model3ds::kUnpackFailed,
         Letters(32768)},
        {"stored length over the limit", Concat({PackedFile(32778, {full}), {0x11, 0x80}, Bytes(32785, 0x80)}),
         model3ds::kUnpackFailed, Letters(32768)},
        {"corrupt block after a good one", PackedFile(32769, {full, {0x00, 0x80, 0x00, 0x00, 0x10}}),
         model3ds::kUnpackFailed, Letters(32768)},
        {"block beyond the total", PackedFile(5, {ten}), model3ds::kUnpackFailed, {}},
    };
    for (const UnpackCase& c : cases) {
        SCOPED_TRACE(c.name);
        const packtest::Unpacked result = UnpackBytes(c.packed);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.bytes, c.output);
        EXPECT_EQ(result.written, c.output.size());
    }
}

TEST(Pack4Ex, NothingHeldGivesNoDataCode) {
    model3ds::TPack4Ex pack;
    base::MemoryStream output;
    EXPECT_EQ(pack.Unpack(output), model3ds::kUnpackNoData);
    base::MemoryStream empty;
    EXPECT_EQ(pack.LoadFromStream(empty), 0);
    EXPECT_EQ(pack.Unpack(output), model3ds::kUnpackNoData);
    EXPECT_EQ(output.Size(), 0u);
}

TEST(Pack4Ex, WritesAtTheOutputPositionAndUnpacksAgain) {
    base::MemoryStream source(PackedFile(3, {{0x80, 'x', 'y', 'z'}}));
    model3ds::TPack4Ex pack;
    pack.LoadFromStream(source);
    base::MemoryStream output(Bytes{'1', '2'});
    output.Seek(2);
    ASSERT_EQ(pack.Unpack(output), model3ds::kUnpackSuccess);
    ASSERT_EQ(pack.Unpack(output), model3ds::kUnpackSuccess);
    EXPECT_EQ(output.Bytes(), (Bytes{'1', '2', 'x', 'y', 'z', 'x', 'y', 'z'}));
    EXPECT_EQ(output.Position(), 8u);
    EXPECT_EQ(pack.ConsumedCount(), 14u);
    EXPECT_EQ(pack.WrittenCount(), 3u);
}

TEST(Pack4Ex, LoadFromStreamTakesTheBytesFromThePosition) {
    Bytes bytes = {'j', 'u', 'n', 'k'};
    const Bytes packed = PackedFile(2, {{0x80, 'o', 'k'}});
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    base::MemoryStream source(bytes);
    source.Seek(4);
    model3ds::TPack4Ex pack;
    pack.LoadFromStream(source);
    EXPECT_EQ(source.Position(), source.Size());
    base::MemoryStream output;
    EXPECT_EQ(pack.Unpack(output), model3ds::kUnpackSuccess);
    EXPECT_EQ(output.Bytes(), (Bytes{'o', 'k'}));
}

TEST(Pack4Ex, LoadFromFileReplacesTheDataOrRaisesTheOpenError) {
    testsupport::TempDir dir;
    const std::string name = dir.File("model.3da");
    const Bytes packed = PackedFile(1, {{0x80, 'm'}});
    base::WriteFileAtomically(name, packed.data(), packed.size());
    model3ds::TPack4Ex pack;
    EXPECT_EQ(pack.LoadFromFile(name), 0);
    base::MemoryStream output;
    EXPECT_EQ(pack.Unpack(output), model3ds::kUnpackSuccess);
    EXPECT_EQ(output.Bytes(), Bytes{'m'});
    const std::string missing = dir.File("missing.3da");
    try {
        pack.LoadFromFile(missing);
        FAIL() << "a missing file did not raise";
    } catch (const base::EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()), "ファイル " + missing + " は開けません");
    }
}

// Accepts a fixed number of bytes, then refuses or raises.
class LimitedStream : public base::MemoryStream {
public:
    LimitedStream(std::size_t room, bool raise) : room_(room), raise_(raise) {}
    std::size_t Write(const void* buffer, std::size_t count) override {
        if (count > room_) {
            if (raise_) throw base::EWriteError();
            count = room_;
        }
        room_ -= count;
        return base::MemoryStream::Write(buffer, count);
    }

private:
    std::size_t room_;
    bool raise_;
};

TEST(Pack4Ex, OutputThatRefusesBytesFailsOrRaises) {
    base::MemoryStream source(PackedFile(32778, {StoredBlock(Letters(32768)), StoredBlock(Letters(10))}));
    model3ds::TPack4Ex pack;
    pack.LoadFromStream(source);
    LimitedStream shortWrites(100, false);
    EXPECT_EQ(pack.Unpack(shortWrites), model3ds::kUnpackFailed);
    EXPECT_EQ(shortWrites.Size(), 100u);
    EXPECT_EQ(pack.WrittenCount(), 100u);
    LimitedStream raising(32770, true);
    EXPECT_THROW(pack.Unpack(raising), base::EWriteError);
    EXPECT_EQ(raising.Size(), 32768u);
}

}  // namespace
