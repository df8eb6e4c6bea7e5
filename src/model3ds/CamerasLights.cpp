// The cameras and lights of the named objects. Payloads read here are taken
// straight from the stream, so the tree is left as the other readers expect it.
#include "model3ds/CamerasLights.h"

#include "ChunkTree.h"
#include "MaterialReader.h"
#include "model3ds/ChunkIds.h"
#include "model3ds/File3DS.h"

namespace model3ds {

namespace {

class TCameraLightReader {
public:
    TCameraLightReader(base::MemoryStream& stream, TCamerasLights3DS& out) : stream_(stream), out_(out) {}

    void ReadCamera(const std::string& name, TChunkNode3DS& chunk) {
        float v[8];
        if (!Floats(chunk, v, 8, "camera \"" + name + "\"")) return;
        TCamera3DS camera{name, {v[0], v[1], v[2]}, {v[3], v[4], v[5]}, v[6], v[7], {}, {}};
        if (TChunkNode3DS* ranges = SearchSiblings(chunk.children, CK_CAMERA_RANGES)) {
            float range[2];
            if (Floats(*ranges, range, 2, "camera \"" + name + "\": its ranges")) {
                camera.Near = range[0];
                camera.Far = range[1];
            }
        }
        out_.Cameras.push_back(std::move(camera));
    }

    void ReadLight(const std::string& name, TChunkNode3DS& chunk) {
        const std::string what = "light \"" + name + "\"";
        float p[3];
        if (!Floats(chunk, p, 3, what)) return;
        TLight3DS light;
        light.Name = name;
        light.Position = {p[0], p[1], p[2]};
        ReadColorOf(chunk, light, what);
        light.Off = SearchSiblings(chunk.children, CK_LIGHT_OFF) != nullptr;
        light.Attenuated = SearchSiblings(chunk.children, CK_LIGHT_ATTENUATE) != nullptr;
        float value = 0;
        if (Optional(chunk, CK_LIGHT_MULTIPLIER, value, what + ": its multiplier")) light.Multiplier = value;
        if (Optional(chunk, CK_LIGHT_INNER_RANGE, value, what + ": its inner range")) light.InnerRange = value;
        if (Optional(chunk, CK_LIGHT_OUTER_RANGE, value, what + ": its outer range")) light.OuterRange = value;
        if (TChunkNode3DS* spot = SearchSiblings(chunk.children, CK_SPOTLIGHT)) {
            float s[5];
            if (!Floats(*spot, s, 5, what + ": its spotlight")) return;
            light.Spot = TSpot3DS{{s[0], s[1], s[2]}, s[3], s[4], 0};
            if (Optional(*spot, CK_SPOT_ROLL, value, what + ": its spotlight roll")) light.Spot->Roll = value;
        }
        out_.Lights.push_back(std::move(light));
    }

private:
    // The first count floats of the chunk's payload; false, with a warning, when
    // the chunk is shorter.
    bool Floats(const TChunkNode3DS& chunk, float* values, std::size_t count, const std::string& what) {
        const std::size_t bytes = count * sizeof(float);
        if (chunk.length < 6 + bytes) {
            out_.Warnings.push_back(what + " is damaged and was left out");
            return false;
        }
        stream_.Seek(std::uint64_t{chunk.position} + 6);
        stream_.ReadBuffer(values, bytes);
        return true;
    }

    // The one float of parent's direct sub-chunk of the tag; false when there is none.
    bool Optional(const TChunkNode3DS& parent, std::uint16_t tag, float& value, const std::string& what) {
        const TChunkNode3DS* chunk = SearchSiblings(parent.children, tag);
        return chunk != nullptr && Floats(*chunk, &value, 1, what);
    }

    void ReadColorOf(TChunkNode3DS& chunk, TLight3DS& light, const std::string& what) {
        for (const std::uint16_t tag : {CK_COLOR_FLOAT, CK_COLOR_24, CK_COLOR_FLOAT_LINEAR, CK_COLOR_24_LINEAR}) {
            if (SearchSiblings(chunk.children, tag) == nullptr) continue;
            try {
                light.Color = ReadColor(stream_, chunk);
            } catch (const E3DSError&) {
                out_.Warnings.push_back(what + ": its colour is damaged; the light is white");
            }
            return;
        }
    }

    base::MemoryStream& stream_;
    TCamerasLights3DS& out_;
};

}  // namespace

TCamerasLights3DS ReadCamerasAndLights(TFile3DS& model) {
    TCamerasLights3DS out;
    TChunkDatabase3DS& database = model.Database();
    if (database.top == nullptr) return out;
    UpdateObjectNames(model.Source(), database);
    TCameraLightReader reader(model.Source(), out);
    for (const TNameEntry3DS& entry : database.objectNames.Entries) {
        if (TChunkNode3DS* camera = SearchSiblings(entry.chunk->children, CK_CAMERA)) {
            reader.ReadCamera(entry.Name, *camera);
        } else if (TChunkNode3DS* light = SearchSiblings(entry.chunk->children, CK_LIGHT)) {
            reader.ReadLight(entry.Name, *light);
        }
    }
    return out;
}

}  // namespace model3ds
