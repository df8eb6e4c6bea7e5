#pragma once
// What a glTF description asks for, counted in one pass over its JSON text
// without building anything: so that a small file asking for millions of nodes
// or images is refused before a reader spends memory on them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace viewer {

struct GltfCensus {
    std::size_t values = 0;       // every JSON value: scalars, arrays and objects
    std::size_t extraValues = 0;  // of them, those inside "extras" and "extensions"
    std::size_t stringBytes = 0;  // the bytes of every string and key
    int depth = 0;                // how deep arrays and objects nest
    // Each top-level array's length, by its key, and the lights of extensions.
    std::map<std::string, std::size_t> elements;
    std::size_t primitives = 0;                   // of every mesh
    std::vector<std::string> imageUris;           // as written, data: URIs left out
    std::vector<std::string> bufferUris;          // as written, data: URIs left out
    std::size_t buffersWithUri = 0;               // not empty; data: URIs too
};

// The census of JSON text; stops counting and raises GltfFormatError once
// arrays and objects nest deeper than maxDepth, at a whole number past 32
// bits, or when the text is not JSON.
GltfCensus TakeGltfCensus(const std::uint8_t* text, std::size_t size, int maxDepth);

}  // namespace viewer
