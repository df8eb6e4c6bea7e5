#include <cstring>

#include "model3ds/Pack4Ex.h"

namespace model3ds {

namespace {

std::uint16_t DecodeStored(const std::uint8_t* data, std::uint8_t* output, std::uint16_t length) {
    const std::size_t count = length - 1u;
    if (count > kBlockSize) return TDryICE::kCorruptBlock;
    std::memcpy(output, data + 1, count);
    return static_cast<std::uint16_t>(count);
}

// Walks the items of a coded block, refusing any item that reads past the
// stored length or writes outside the block's output.
class CodedBlock {
public:
    CodedBlock(const std::uint8_t* data, std::uint8_t* output, std::size_t length)
        : data_(data), output_(output), length_(length) {}

    std::uint16_t Decode() {
        if (length_ < 3) return 0;
        std::uint32_t control = ReadWord(1);
        std::size_t pos = 3;
        int bitsLeft = kControlBits;
        while (pos < length_) {
            if (bitsLeft == 0) {
                if (pos + 2 > length_) return TDryICE::kCorruptBlock;
                control = ReadWord(pos);
                pos += 2;
                bitsLeft = kControlBits;
            }
            const bool ok = (control & kControlTopBit) != 0 ? CopyOrRun(pos) : Literal(pos);
            if (!ok) return TDryICE::kCorruptBlock;
            control <<= 1;
            --bitsLeft;
        }
        return static_cast<std::uint16_t>(out_);
    }

private:
    std::uint32_t ReadWord(std::size_t pos) const { return std::uint32_t{data_[pos]} << 8 | data_[pos + 1]; }

    bool Fits(std::size_t pos, std::size_t itemBytes, std::size_t produced) const {
        return pos + itemBytes <= length_ && out_ + produced <= kBlockSize;
    }

    bool Literal(std::size_t& pos) {
        if (!Fits(pos, kLiteralBytes, 1)) return false;
        output_[out_++] = data_[pos++];
        return true;
    }

    bool CopyOrRun(std::size_t& pos) {
        if (pos + kReferenceBytes > length_) return false;
        const std::size_t distance = std::size_t{data_[pos]} << 4 | data_[pos + 1] >> 4;
        return distance == 0 ? Run(pos) : Reference(pos, distance);
    }

    // The source may overlap the bytes being written; copying forwards one byte
    // at a time then repeats the last `distance` bytes, as the format intends.
    bool Reference(std::size_t& pos, std::size_t distance) {
        const std::size_t count = (data_[pos + 1] & kLengthNibble) + kMinMatch;
        if (distance > out_ || !Fits(pos, kReferenceBytes, count)) return false;
        const std::uint8_t* from = output_ + out_ - distance;
        std::uint8_t* to = output_ + out_;
        if (distance >= count) {
            std::memcpy(to, from, count);
        } else {
            for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
        }
        out_ += count;
        pos += kReferenceBytes;
        return true;
    }

    bool Run(std::size_t& pos) {
        if (pos + kRunBytes > length_) return false;
        const std::size_t count = (data_[pos + 1] & kLengthNibble) * 256u + data_[pos + 2] + kMinRun;
        if (!Fits(pos, kRunBytes, count)) return false;
        std::memset(output_ + out_, data_[pos + 3], count);
        out_ += count;
        pos += kRunBytes;
        return true;
    }

    const std::uint8_t* data_;
    std::uint8_t* output_;
    std::size_t length_;
    std::size_t out_ = 0;
};

}  // namespace

std::uint16_t TDryICE::DecodeBlock(const std::uint8_t* data, std::uint8_t* output, std::uint16_t length) const {
    if (length < 2) return 0;
    if (data[0] == kStoredBlock) return DecodeStored(data, output, length);
    return CodedBlock(data, output, length).Decode();
}

}  // namespace model3ds
