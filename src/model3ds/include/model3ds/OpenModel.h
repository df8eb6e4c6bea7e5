#pragma once
// One way to open a model, plain (.3ds) or packed (.3da), from a file or from
// bytes already in memory. The desktop program, the converter and the renderer
// all open models through here; they differ only in how strictly a packed file
// must unpack.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "model3ds/File3DS.h"

namespace model3ds {

// A packed file that does not unpack whole, under TUnpackPolicy::Complete.
class EUnpackError : public base::Exception {
public:
    using base::Exception::Exception;
};

enum class TUnpackPolicy {
    // Whatever the packed data unpacks to goes to the reader, which judges it;
    // only an unpack that yields no byte at all counts as nothing to open.
    AnyOutput,
    // A packed file must unpack whole; anything less raises EUnpackError.
    Complete,
};

// What a caller needs an opened model to hold; a model without it is no model to that caller.
enum class TModelNeeds {
    Anything,           // whatever the file holds, even nothing
    MeshesOrMaterials,  // a mesh, or a material library's materials
    Meshes,             // at least one mesh
    Faces,              // at least one mesh with faces
};

// A file that opens but holds nothing the caller can use: "READ ERROR : path",
// with the reason (a message text of base/Language.h) in its detail when known.
class EReadModelError : public base::Exception {
public:
    explicit EReadModelError(const std::string& path, const std::string& reason = {});
};

// Raises EReadModelError for path unless model holds what needs asks: the one
// check behind every "READ ERROR" of a model that opened.
void RequireModelContent(TFile3DS& model, TModelNeeds needs, const std::string& path);

// The unpacked bytes of packed data under policy: AnyOutput gives what came out
// (maybe nothing); Complete raises EUnpackError naming `name` unless it unpacks whole.
std::vector<std::uint8_t> UnpackBytes(std::vector<std::uint8_t> packed, const std::string& name,
                                      TUnpackPolicy policy);

// Loads the file at path into model: unpacked first when its name is a packed
// model's (.3da), else read as a plain 3DS file. A packed file that unpacks to
// nothing raises EReadModelError with model untouched; a model that loads but
// lacks what `needs` asks raises it too. Reader and stream errors propagate.
void OpenModelFile(TFile3DS& model, const std::string& path, TUnpackPolicy policy, TModelNeeds needs);

// The same for a file's bytes already in memory (a download); name decides
// whether they are packed and names them in unpack messages, and shownPath is
// the path EReadModelError reports (the address the bytes came from). The bytes
// are handed over to the model, not copied. Empty bytes are nothing to open.
void OpenModelBytes(TFile3DS& model, std::vector<std::uint8_t> bytes, const std::string& name,
                    const std::string& shownPath, TUnpackPolicy policy, TModelNeeds needs);

}  // namespace model3ds
