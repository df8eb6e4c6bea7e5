#include "GltfCensus.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

#include "viewer/GltfFile.h"

namespace viewer {

namespace {

// One open array or object, with the key it was the value of.
struct Open {
    bool array = false;
    bool extra = false;       // inside "extras" or "extensions"
    std::string key;          // in the parent object; empty in an array
    std::size_t children = 0;
};

class CensusTaker : public nlohmann::json_sax<nlohmann::json> {
public:
    CensusTaker(GltfCensus& census, int maxDepth) : census_(census), maxDepth_(maxDepth) {}

    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    // Whole numbers past 32 bits are no index, count, offset or length a
    // bounded file can hold, and a parser into int would wrap them.
    bool number_integer(number_integer_t value) override {
        return value >= std::numeric_limits<std::int32_t>::min() ? Value() : TooLarge();
    }
    bool number_unsigned(number_unsigned_t value) override {
        return value <= std::numeric_limits<std::uint32_t>::max() ? Value() : TooLarge();
    }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool string(string_t& text) override {
        census_.stringBytes += text.size();
        if (IsUri("images")) Keep(census_.imageUris, text);
        if (IsUri("buffers")) {
            if (!text.empty()) ++census_.buffersWithUri;
            Keep(census_.bufferUris, text);
        }
        return Value();
    }
    bool key(string_t& name) override {
        census_.stringBytes += name.size();
        key_ = name;
        return true;
    }
    bool start_object(std::size_t) override { return Enter(false); }
    bool start_array(std::size_t) override { return Enter(true); }
    bool end_object() override { return Leave(); }
    bool end_array() override {
        const Open& array = open_.back();
        // A key given twice counts twice: which one a parser keeps is its own affair.
        if (open_.size() == 2) census_.elements[array.key] += array.children;
        if (open_.size() == 4 && array.key == "primitives" && open_[1].key == "meshes")
            census_.primitives += array.children;
        if (open_.size() == 4 && array.key == "lights" && open_[1].key == "extensions")
            census_.elements["lights"] += array.children;
        return Leave();
    }
    bool parse_error(std::size_t at, const std::string&, const nlohmann::detail::exception&) override {
        error_ = "the glTF data's JSON is not valid (at byte " + std::to_string(at) + ")";
        return false;
    }

    const std::string& Error() const { return error_; }

private:
    bool TooLarge() {
        error_ = "a whole number in the glTF description is past 32 bits";
        return false;
    }

    // The value now read is a string member "uri" of an element of the top-level array named list.
    bool IsUri(std::string_view list) const {
        return open_.size() == 3 && !open_.back().array && key_ == "uri" && open_[1].key == list;
    }

    static void Keep(std::vector<std::string>& uris, const std::string& uri) {
        if (uri.rfind("data:", 0) != 0) uris.push_back(uri);
    }

    bool Value() {
        ++census_.values;
        if (open_.empty()) return true;
        ++open_.back().children;
        if (open_.back().extra) ++census_.extraValues;
        return true;
    }

    bool Enter(bool array) {
        Value();
        const bool member = !open_.empty() && !open_.back().array;
        const bool extra = !open_.empty() && (open_.back().extra || (member && (key_ == "extras" || key_ == "extensions")));
        open_.push_back({array, extra, member ? key_ : std::string(), 0});
        census_.depth = std::max(census_.depth, static_cast<int>(open_.size()));
        if (census_.depth > maxDepth_) {
            error_ = "the glTF data's JSON is nested too deep";
            return false;
        }
        return true;
    }

    bool Leave() {
        open_.pop_back();
        return true;
    }

    GltfCensus& census_;
    int maxDepth_;
    std::vector<Open> open_;
    std::string key_;
    std::string error_;
};

}  // namespace

GltfCensus TakeGltfCensus(const std::uint8_t* text, std::size_t size, int maxDepth) {
    GltfCensus census;
    CensusTaker taker(census, maxDepth);
    const bool whole = nlohmann::json::sax_parse(text, text + size, &taker);
    if (!whole) throw GltfFormatError(taker.Error().empty() ? "the glTF data's JSON is not valid" : taker.Error());
    return census;
}

}  // namespace viewer
