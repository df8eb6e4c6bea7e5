#include "Errors3DS.h"

#include "base/Beep.h"
#include "model3ds/File3DS.h"

namespace model3ds {

void RaiseError3DS(const std::string& message) {
    base::Beep();
    throw E3DSError(message);
}

void RaiseInvalidChunk() { RaiseError3DS(kErrorInvalidChunk); }

}  // namespace model3ds
