#include "base/Stream.h"
#include "convert/Commands.h"
#include "model3ds/OpenModel.h"
#include "model3ds/Pack3DA.h"
#include "base/SameFile.h"

namespace convert {

namespace {

void CheckOperands(const Arguments& arguments, const char* command) {
    if (arguments.operands.size() != 2) throw UsageError(std::string(command) + " takes OUT and INPUT");
    base::RefuseOutputsThatAreInputs({arguments.operands[0]}, {arguments.operands[1]});
}

}  // namespace

int RunPack(const Arguments& arguments, std::ostream&) {
    CheckOperands(arguments, "--pack");
    const std::vector<std::uint8_t> input = base::ReadWholeFile(arguments.operands[1]);
    const std::vector<std::uint8_t> packed = model3ds::Pack3DA(input.data(), input.size());
    base::WriteFileAtomically(arguments.operands[0], packed.data(), packed.size());
    return 0;
}

int RunUnpack(const Arguments& arguments, std::ostream&) {
    CheckOperands(arguments, "--unpack");
    const std::string& input = arguments.operands[1];
    const std::vector<std::uint8_t> unpacked =
        model3ds::UnpackBytes(base::ReadWholeFile(input), input, model3ds::TUnpackPolicy::Complete);
    base::WriteFileAtomically(arguments.operands[0], unpacked.data(), unpacked.size());
    return 0;
}

}  // namespace convert
