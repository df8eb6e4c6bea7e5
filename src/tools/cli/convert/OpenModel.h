#pragma once
// Opens the converter's input: a model file, packed or plain, or an http:// address.
#include <string>

#include "convert/MaxTime.h"
#include "model3ds/File3DS.h"
#include "model3ds/OpenModel.h"

namespace convert {

// Loads the model at path (a file, or an http:// address fetched by deadline) into
// model. A packed model must unpack whole (model3ds::EUnpackError otherwise); one
// that unpacks to nothing, or lacks what needs asks, raises "READ ERROR : path".
// Reader and stream errors propagate.
void OpenModelFile(model3ds::TFile3DS& model, const std::string& path, model3ds::TModelNeeds needs,
                   const Deadline& deadline = std::nullopt);

}  // namespace convert
