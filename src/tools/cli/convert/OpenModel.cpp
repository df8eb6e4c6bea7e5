#include "convert/OpenModel.h"

#include "base/Format.h"
#include "convert/RemoteInput.h"
#include "model3ds/OpenModel.h"

namespace convert {

void OpenModelFile(model3ds::TFile3DS& model, const std::string& path, const Deadline& deadline) {
    const bool opened = IsHttpAddress(path)
                            ? model3ds::OpenModelBytes(model, FetchHttp(path, deadline), AddressFileName(path),
                                                       model3ds::TUnpackPolicy::Complete)
                            : model3ds::OpenModelFile(model, path, model3ds::TUnpackPolicy::Complete);
    if (!opened) throw base::Exception(base::Format("READ ERROR : %s", path.c_str()));
}

}  // namespace convert
