#pragma once
// Compact JSON text, written front to back: the caller opens and closes objects
// and arrays, and the separators are put in here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gltfexport {

class TJsonOut {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // A member's name inside an object; its value comes next.
    void Key(std::string_view key);

    // Any bytes: valid UTF-8 is kept, every other byte becomes U+FFFD, since
    // JSON text is UTF-8 and a model's names may be in another code.
    void String(std::string_view text);
    void Int(std::int64_t value);
    void Bool(bool value);
    // The shortest text that reads back as the same 32-bit float.
    void Float(float value);
    // The float's exact value, which reads back as the same number whether the
    // reader keeps 32 or 64 bits (an accessor's min and max are compared so).
    void ExactFloat(float value);
    void Floats(const float* values, std::size_t count);

    const std::string& Text() const { return text_; }

private:
    void Separate();

    std::string text_;
    // Per open object or array: whether a value has been written in it yet.
    std::vector<bool> started_;
    bool afterKey_ = false;
};

// A member holding an index into one of the document's lists.
void WriteIndex(TJsonOut& json, const char* key, std::size_t index);

}  // namespace gltfexport
