#pragma once
// Reads a .glb or a .gltf (with its .bin and images beside it) back for tests:
// a small JSON reader of its own, so that what is checked does not lean on the
// code that wrote it.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gltftest {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    bool Has(const std::string& key) const { return members.count(key) != 0; }
    const Json& operator[](const std::string& key) const;
    const Json& operator[](std::size_t index) const { return items.at(index); }
    std::size_t Size() const { return items.size(); }
    int Int() const { return static_cast<int>(number); }
};

// Raises std::runtime_error on text that is not JSON.
Json ParseJson(const std::string& text);

struct Gltf {
    Json json;
    std::vector<std::uint8_t> bin;  // the one buffer
    std::string folder;             // where a .gltf's files are

    // An accessor's values, each component as a double, in order.
    std::vector<double> Values(int accessor) const;
    // The bytes of an image: its buffer view, or its file beside the .gltf.
    std::vector<std::uint8_t> ImageBytes(int image) const;
};

// Raises std::runtime_error when the file is not glTF.
Gltf LoadGltf(const std::string& path);

}  // namespace gltftest
