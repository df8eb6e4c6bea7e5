#include "gltfexport/GltfReadBack.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace gltftest {

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (at + 4 > bytes.size()) throw std::runtime_error("the .glb is cut short");
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    Json Document() {
        Json value = Value();
        Space();
        if (at_ != text_.size()) Fail();
        return value;
    }

private:
    [[noreturn]] void Fail() const { throw std::runtime_error("not JSON at " + std::to_string(at_)); }

    void Space() {
        while (at_ < text_.size() && std::strchr(" \t\r\n", text_[at_]) != nullptr) ++at_;
    }

    bool Take(char c) {
        Space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    void Expect(char c) {
        if (!Take(c)) Fail();
    }

    std::string String() {
        Expect('"');
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c == '\\') {
                if (at_ >= text_.size()) Fail();
                c = text_[at_++];
                if (c == 'u') {
                    const unsigned code = static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16));
                    at_ += 4;
                    if (code >= 0x80) Fail();  // the writer escapes control bytes only
                    out += static_cast<char>(code);
                    continue;
                }
                if (c == 'n') c = '\n';
                if (c == 't') c = '\t';
            }
            out += c;
        }
        Expect('"');
        return out;
    }

    Json Value() {
        Space();
        Json value;
        if (at_ >= text_.size()) Fail();
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            value.kind = Json::Kind::Object;
            if (Take('}')) return value;
            do {
                std::string key = String();
                Expect(':');
                value.members[key] = Value();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++at_;
            value.kind = Json::Kind::Array;
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.kind = Json::Kind::String;
            value.text = String();
        } else if (text_.compare(at_, 4, "true") == 0 || text_.compare(at_, 5, "false") == 0) {
            value.kind = Json::Kind::Bool;
            value.boolean = c == 't';
            at_ += value.boolean ? 4 : 5;
        } else if (text_.compare(at_, 4, "null") == 0) {
            at_ += 4;
        } else {
            std::size_t used = 0;
            value.kind = Json::Kind::Number;
            value.number = std::stod(text_.substr(at_, 64), &used);
            at_ += used;
        }
        return value;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

std::string PercentDecoded(const std::string& uri) {
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            out += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}

}  // namespace

const Json& Json::operator[](const std::string& key) const {
    const auto found = members.find(key);
    if (found == members.end()) throw std::runtime_error("no member " + key);
    return found->second;
}

Json ParseJson(const std::string& text) { return Parser(text).Document(); }

Gltf LoadGltf(const std::string& path) {
    Gltf gltf;
    gltf.folder = std::filesystem::path(path).parent_path().string();
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0) {
        if (Word(bytes, 4) != 2 || Word(bytes, 8) != bytes.size()) throw std::runtime_error("a bad .glb header");
        const std::uint32_t jsonLength = Word(bytes, 12);
        if (Word(bytes, 16) != 0x4E4F534A) throw std::runtime_error("no JSON chunk first");
        gltf.json = ParseJson(std::string(bytes.begin() + 20, bytes.begin() + 20 + jsonLength));
        const std::size_t binAt = 20 + jsonLength;
        if (binAt < bytes.size()) {
            const std::uint32_t binLength = Word(bytes, binAt);
            if (Word(bytes, binAt + 4) != 0x004E4942) throw std::runtime_error("no BIN chunk second");
            gltf.bin.assign(bytes.begin() + static_cast<long>(binAt) + 8,
                            bytes.begin() + static_cast<long>(binAt + 8 + binLength));
        }
    } else {
        gltf.json = ParseJson(std::string(bytes.begin(), bytes.end()));
        if (gltf.json.Has("buffers"))
            gltf.bin = ReadBytes(gltf.folder + "/" + PercentDecoded(gltf.json["buffers"][0]["uri"].text));
    }
    return gltf;
}

std::vector<double> Gltf::Values(int index) const {
    const Json& accessor = json["accessors"][static_cast<std::size_t>(index)];
    const Json& view = json["bufferViews"][static_cast<std::size_t>(accessor["bufferView"].Int())];
    const std::size_t offset = view.Has("byteOffset") ? static_cast<std::size_t>(view["byteOffset"].number) : 0;
    const std::string& type = accessor["type"].text;
    const std::size_t components = type == "SCALAR" ? 1 : type == "VEC2" ? 2 : type == "VEC3" ? 3 : 4;
    const int componentType = accessor["componentType"].Int();
    const std::size_t size = componentType == 5123 ? 2 : 4;
    const std::size_t count = static_cast<std::size_t>(accessor["count"].number) * components;
    if (offset + count * size > bin.size()) throw std::runtime_error("an accessor past its buffer");
    std::vector<double> values;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* at = bin.data() + offset + i * size;
        if (componentType == 5126) {
            float value;
            std::memcpy(&value, at, 4);
            values.push_back(value);
        } else if (componentType == 5125) {
            std::uint32_t value;
            std::memcpy(&value, at, 4);
            values.push_back(value);
        } else {
            values.push_back(at[0] | at[1] << 8);
        }
    }
    return values;
}

std::vector<std::uint8_t> Gltf::ImageBytes(int index) const {
    const Json& image = json["images"][static_cast<std::size_t>(index)];
    if (image.Has("uri")) return ReadBytes(folder + "/" + PercentDecoded(image["uri"].text));
    const Json& view = json["bufferViews"][static_cast<std::size_t>(image["bufferView"].Int())];
    const std::size_t offset = view.Has("byteOffset") ? static_cast<std::size_t>(view["byteOffset"].number) : 0;
    const std::size_t length = static_cast<std::size_t>(view["byteLength"].number);
    return {bin.begin() + static_cast<long>(offset), bin.begin() + static_cast<long>(offset + length)};
}

}  // namespace gltftest
