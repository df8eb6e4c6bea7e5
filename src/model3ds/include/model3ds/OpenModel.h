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

// Whether name ends in ".3da", in any letter case (only the last dot counts).
bool IsPackedName(const std::string& name);

// The unpacked bytes of packed data under policy: AnyOutput gives what came out
// (maybe nothing); Complete raises EUnpackError naming `name` unless it unpacks whole.
std::vector<std::uint8_t> UnpackBytes(std::vector<std::uint8_t> packed, const std::string& name,
                                      TUnpackPolicy policy);

// Loads the file at path into model: unpacked first when IsPackedName(path),
// else read as a plain 3DS file. Returns false, with model untouched, when a
// packed file unpacks to nothing. Reader and stream errors propagate.
bool OpenModelFile(TFile3DS& model, const std::string& path, TUnpackPolicy policy);

// The same for a file's bytes already in memory (a download); name decides
// whether they are packed and names them in messages. The bytes are handed
// over to the model, not copied. Empty bytes are nothing to open: false.
bool OpenModelBytes(TFile3DS& model, std::vector<std::uint8_t> bytes, const std::string& name,
                    TUnpackPolicy policy);

}  // namespace model3ds
