#include "convert/OpenModel.h"

#include "convert/RemoteInput.h"

namespace convert {

void OpenModelFile(model3ds::TFile3DS& model, const std::string& path, model3ds::TModelNeeds needs,
                   const Deadline& deadline) {
    if (IsHttpAddress(path)) {
        model3ds::OpenModelBytes(model, FetchHttp(path, deadline), AddressFileName(path), path,
                                 model3ds::TUnpackPolicy::Complete, needs);
    } else {
        model3ds::OpenModelFile(model, path, model3ds::TUnpackPolicy::Complete, needs);
    }
}

}  // namespace convert
