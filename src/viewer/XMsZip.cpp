#include "XMsZip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "XTokenizer.h"

namespace viewer {

namespace {

constexpr std::size_t HeaderSize = 16;
constexpr std::size_t WindowSize = 32768;
// The most unpacked data accepted. Deflate packs a block of 64 KiB into a few
// dozen bytes, so a small file could otherwise declare, and fill, up to 4 GiB;
// no model the viewer can show comes near this size.
constexpr std::size_t MaxUnpackedSize = std::size_t{1} << 30;

class Inflater {
public:
    Inflater() {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw XFormatError("zlib unavailable");
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates one block into output, with the last 32 KiB before it as history.
    void Block(const std::uint8_t* packed, std::size_t packedSize, std::vector<std::uint8_t>& output,
               std::size_t unpackedSize) {
        inflateReset(&stream_);
        const std::size_t history = std::min(output.size(), WindowSize);
        if (history > 0 &&
            inflateSetDictionary(&stream_, output.data() + output.size() - history,
                                 static_cast<uInt>(history)) != Z_OK)
            throw XFormatError("bad compressed block");
        const std::size_t start = output.size();
        output.resize(start + unpackedSize);
        stream_.next_in = const_cast<Bytef*>(packed);
        stream_.avail_in = static_cast<uInt>(packedSize);
        stream_.next_out = output.data() + start;
        stream_.avail_out = static_cast<uInt>(unpackedSize);
        const int result = inflate(&stream_, Z_FINISH);
        if (result != Z_STREAM_END || stream_.avail_out != 0)
            throw XFormatError("bad compressed block");
    }

private:
    z_stream stream_{};
};

std::uint16_t Word(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::vector<std::uint8_t> InflateMsZip(const std::uint8_t* data, std::size_t size) {
    if (size < 4) throw XFormatError("missing compressed size");
    std::uint32_t totalSize;
    std::memcpy(&totalSize, data, 4);
    // The output never grows past the declared size (checked block by block
    // below), so refusing a larger declaration bounds what is allocated.
    if (totalSize > HeaderSize + MaxUnpackedSize) throw XFormatError("compressed data larger than 1 GiB");
    std::vector<std::uint8_t> output;
    // A block of n packed bytes never unpacks to more than 64 KiB, so the size
    // given in the data is trusted only as far as the data can back it.
    output.reserve(std::min<std::size_t>(totalSize, size * 64));
    Inflater inflater;
    std::size_t position = 4;
    while (position < size) {
        if (size - position < 6) throw XFormatError("truncated compressed block");
        const std::uint16_t unpackedSize = Word(data + position);
        const std::uint16_t packedSize = Word(data + position + 2);
        position += 4;
        if (packedSize < 2 || size - position < packedSize || data[position] != 'C' ||
            data[position + 1] != 'K')
            throw XFormatError("bad compressed block header");
        // Blocks never unpack to more than the size the data declares.
        if (HeaderSize + output.size() + unpackedSize > totalSize)
            throw XFormatError("compressed data larger than declared");
        // Growing by doubling could take twice the declared size.
        if (output.capacity() < output.size() + unpackedSize)
            output.reserve(std::min<std::size_t>(std::max(output.capacity() * 2, output.size() + unpackedSize),
                                                 totalSize - HeaderSize));
        inflater.Block(data + position + 2, packedSize - 2u, output, unpackedSize);
        position += packedSize;
    }
    if (output.size() + HeaderSize != totalSize) throw XFormatError("compressed size mismatch");
    return output;
}

}  // namespace viewer
