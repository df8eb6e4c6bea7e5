#pragma once
// Opens a model file the way the desktop program does: a name ending in ".3da"
// (any letter case) is unpacked first; anything else is read as a plain 3DS file.
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "model3ds/Pack4Ex.h"

namespace convert {

// A packed file that cannot be unpacked, or that unpacks to nothing.
class EUnpackError : public base::Exception {
public:
    using base::Exception::Exception;
};

bool IsPackedName(const std::string& name);

// The unpacked bytes of a packed file; EUnpackError when unpacking fails.
std::vector<std::uint8_t> UnpackFile(const std::string& path);

// Unpacks the held data into model the way the desktop program does: the result
// code is not looked at, only whether any bytes came out (EUnpackError "READ ERROR : path"
// when none did); what did come out is for the reader to judge.
void LoadPackedModel(model3ds::TFile3DS& model, model3ds::TPack4Ex& pack, const std::string& path);

// Loads the model at path (a file, or an http:// address) into model. Reader and stream errors propagate.
void OpenModelFile(model3ds::TFile3DS& model, const std::string& path);

}  // namespace convert
