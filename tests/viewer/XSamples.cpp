#include "XSamples.h"

#include <cmath>

#include <zlib.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace xsamples {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string MeshText(const std::vector<float>& positions,
                     const std::vector<std::vector<std::uint32_t>>& faces, const std::string& children) {
    std::ostringstream out;
    out << "Mesh {\n" << positions.size() / 3 << ";\n";
    for (std::size_t i = 0; i < positions.size(); i += 3)
        out << positions[i] << ";" << positions[i + 1] << ";" << positions[i + 2] << ";"
            << (i + 3 < positions.size() ? ",\n" : ";\n");
    out << faces.size() << ";\n";
    for (std::size_t f = 0; f < faces.size(); ++f) {
        out << faces[f].size() << ";";
        for (std::size_t k = 0; k < faces[f].size(); ++k)
            out << faces[f][k] << (k + 1 < faces[f].size() ? "," : ";");
        out << (f + 1 < faces.size() ? ",\n" : ";\n");
    }
    out << children << "}\n";
    return out.str();
}

std::string TurningBarText() {
    const std::string s = std::to_string(std::sqrt(0.5));
    return "AnimTicksPerSecond { 30; }\nFrame Bar {\n" +
           MeshText({-1, -0.1f, 0, -1, 0.1f, 0, 1, 0.1f, 0, 1, -0.1f, 0}, {{0, 1, 2, 3}, {3, 2, 1, 0}}) +
           "}\nAnimationSet { Animation { { Bar } AnimationKey { 0; 2; 0;4;1,0,0,0;;, 30;4;" + s + ",0,0," + s +
           ";;; } } }\n";
}

std::vector<std::uint8_t> TextFile(const std::string& body) { return Bytes("xof 0303txt 0032\n" + body); }

BinaryWriter::BinaryWriter(bool doubles, const char* format) : doubles_(doubles) {
    const std::string header = std::string("xof 0303") + format + (doubles ? "0064" : "0032");
    data_.assign(header.begin(), header.end());
}

void BinaryWriter::Word(std::uint16_t value) {
    data_.push_back(static_cast<std::uint8_t>(value));
    data_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void BinaryWriter::Dword(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) data_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

BinaryWriter& BinaryWriter::Name(const std::string& name) {
    Word(1);
    Dword(static_cast<std::uint32_t>(name.size()));
    data_.insert(data_.end(), name.begin(), name.end());
    return *this;
}

BinaryWriter& BinaryWriter::Open() {
    Word(10);
    return *this;
}

BinaryWriter& BinaryWriter::Close() {
    Word(11);
    return *this;
}

BinaryWriter& BinaryWriter::Integers(const std::vector<std::uint32_t>& values) {
    Word(6);
    Dword(static_cast<std::uint32_t>(values.size()));
    for (std::uint32_t v : values) Dword(v);
    return *this;
}

BinaryWriter& BinaryWriter::Floats(const std::vector<double>& values) {
    Word(7);
    Dword(static_cast<std::uint32_t>(values.size()));
    for (double v : values) {
        std::uint8_t bytes[8];
        if (doubles_) {
            std::memcpy(bytes, &v, 8);
            data_.insert(data_.end(), bytes, bytes + 8);
        } else {
            const float f = static_cast<float>(v);
            std::memcpy(bytes, &f, 4);
            data_.insert(data_.end(), bytes, bytes + 4);
        }
    }
    return *this;
}

std::vector<std::uint8_t> DeflateBlock(const std::uint8_t* data, std::size_t size,
                                       const std::uint8_t* history, std::size_t historySize) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    if (historySize > 0) deflateSetDictionary(&z, history, static_cast<uInt>(historySize));
    std::vector<std::uint8_t> packed(deflateBound(&z, static_cast<uLong>(size)));
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    return packed;
}

void AppendBlock(std::vector<std::uint8_t>& file, std::size_t unpackedSize, const std::vector<std::uint8_t>& packed) {
    const std::size_t withMagic = packed.size() + 2;
    for (std::size_t v : {unpackedSize, withMagic}) {
        file.push_back(static_cast<std::uint8_t>(v));
        file.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    file.push_back('C');
    file.push_back('K');
    file.insert(file.end(), packed.begin(), packed.end());
}

std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& file, std::size_t blockSize) {
    std::vector<std::uint8_t> out(file.begin(), file.begin() + 16);
    std::memcpy(out.data() + 8, std::memcmp(file.data() + 8, "txt ", 4) == 0 ? "tzip" : "bzip", 4);
    const auto total = static_cast<std::uint32_t>(file.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(total >> (8 * i)));
    for (std::size_t start = 16; start < file.size(); start += blockSize) {
        const std::size_t length = std::min(blockSize, file.size() - start);
        // Each block may refer back to the bytes of the block before it.
        const std::size_t history = std::min<std::size_t>(start - 16, 32768);
        AppendBlock(out, length, DeflateBlock(file.data() + start, length, file.data() + start - history, history));
    }
    return out;
}

}  // namespace xsamples
