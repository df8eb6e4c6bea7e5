#pragma once
// Small .x files built in the tests: text written out directly, and the same
// token sequences in binary form (32- or 64-bit floats) and MSZIP-compressed.
#include <cstdint>
#include <string>
#include <vector>

namespace xsamples {

std::vector<std::uint8_t> Bytes(const std::string& text);

// One Mesh object, placed in no frame. Positions are x, y, z triples; each
// face lists its corners.
std::string MeshText(const std::vector<float>& positions,
                     const std::vector<std::vector<std::uint32_t>>& faces,
                     const std::string& children = "");

// A frame holding a thin bar along x, and an animation that turns it a
// quarter about z in its first second, at 30 ticks a second.
std::string TurningBarText();

// "xof 0303txt 0032" followed by body.
std::vector<std::uint8_t> TextFile(const std::string& body);

// Builds binary .x token by token.
class BinaryWriter {
public:
    explicit BinaryWriter(bool doubles = false, const char* format = "bin ");
    BinaryWriter& Name(const std::string& name);
    BinaryWriter& Open();
    BinaryWriter& Close();
    BinaryWriter& Integers(const std::vector<std::uint32_t>& values);
    BinaryWriter& Floats(const std::vector<double>& values);
    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    void Word(std::uint16_t value);
    void Dword(std::uint32_t value);
    std::vector<std::uint8_t> data_;
    bool doubles_;
};

// size bytes deflated as the data of one MSZIP block, with the history bytes
// before them as the dictionary.
std::vector<std::uint8_t> DeflateBlock(const std::uint8_t* data, std::size_t size,
                                       const std::uint8_t* history = nullptr, std::size_t historySize = 0);

// Appends one MSZIP block: its unpacked size, its packed size, "CK" and the packed bytes.
void AppendBlock(std::vector<std::uint8_t>& file, std::size_t unpackedSize, const std::vector<std::uint8_t>& packed);

// The given .x file with its body packed in MSZIP blocks of at most blockSize
// bytes; its format "txt " or "bin " becomes "tzip" or "bzip".
std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& file, std::size_t blockSize);

}  // namespace xsamples
