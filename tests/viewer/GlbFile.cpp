#include "GlbFile.h"

namespace glbfile {

namespace {

void Append32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> Glb(std::string json, std::vector<std::uint8_t> bin) {
    json.resize((json.size() + 3) / 4 * 4, ' ');
    bin.resize((bin.size() + 3) / 4 * 4, 0);
    std::vector<std::uint8_t> file = {'g', 'l', 'T', 'F'};
    Append32(file, 2);
    Append32(file, static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    Append32(file, static_cast<std::uint32_t>(json.size()));
    file.insert(file.end(), {'J', 'S', 'O', 'N'});
    file.insert(file.end(), json.begin(), json.end());
    Append32(file, static_cast<std::uint32_t>(bin.size()));
    file.insert(file.end(), {'B', 'I', 'N', '\0'});
    file.insert(file.end(), bin.begin(), bin.end());
    return file;
}

}  // namespace glbfile
