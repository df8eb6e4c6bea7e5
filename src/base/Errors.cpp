#include "base/Errors.h"

#include <clocale>
#include <cstring>
#include <utility>

#include <locale.h>

#include "base/Texts.h"

namespace base {

namespace {

// The system's reason in English, whatever locale a window library has set, so
// that it reads the same in the window and in the tools.
std::string SystemReason(int systemError) {
    static const locale_t plain = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return plain != static_cast<locale_t>(nullptr) ? strerror_l(systemError, plain) : std::strerror(systemError);
}

}  // namespace

std::string MessageLines(const std::string& message) {
    std::string lines;
    lines.reserve(message.size());
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] != '\r') {
            lines += message[i];
        } else if (i + 1 == message.size() || message[i + 1] != '\n') {
            lines += '\n';
        }
    }
    return lines;
}

Exception::Exception(const std::string& message) : std::runtime_error(message), text_(message) {}

Exception::Exception(const std::string& text, std::vector<std::string> values, TErrorDetail detail)
    : std::runtime_error(FillValues(text, values)), text_(text), values_(std::move(values)), detail_(std::move(detail)) {}

std::string FillValues(const std::string& text, const std::vector<std::string>& values) {
    std::string filled;
    std::size_t from = 0;
    for (const std::string& value : values) {
        const std::size_t mark = text.find("%s", from);
        if (mark == std::string::npos) break;
        filled.append(text, from, mark - from).append(value);
        from = mark + 2;
    }
    return filled.append(text, from);
}

EReadError::EReadError() : EStreamError(kStreamReadError) {}

EReadError::EReadError(const std::string& fileName, std::uint64_t size)
    : EStreamError(kStreamReadError, {},
                   size == 0 ? TErrorDetail{fileName, kFileIsEmpty, {}}
                             : TErrorDetail{fileName, kFileEndsInsideData, {std::to_string(size)}}) {}

EWriteError::EWriteError() : EStreamError(kStreamWriteError) {}

EWriteError::EWriteError(const std::string& target, int systemError)
    : EStreamError(kStreamWriteError, {}, {target, "%s", {SystemReason(systemError)}}) {}

EFOpenError::EFOpenError(const std::string& fileName) : EStreamError(kCannotOpenFile, {fileName}) {}

EFOpenError::EFOpenError(const std::string& fileName, int systemError)
    : EFOpenError(fileName, {fileName, "%s", {SystemReason(systemError)}}) {}

EFOpenError::EFOpenError(const std::string& fileName, TErrorDetail detail)
    : EStreamError(kCannotOpenFile, {fileName}, std::move(detail)) {}

EFCreateError::EFCreateError(const std::string& fileName) : EStreamError(kCannotCreateFile, {fileName}) {}

EFCreateError::EFCreateError(const std::string& fileName, int systemError)
    : EStreamError(kCannotCreateFile, {fileName}, {fileName, "%s", {SystemReason(systemError)}}) {}

EListError::EListError(long long index)
    : Exception(kListIndexOutOfBounds, {std::to_string(index)}) {}

EConvertError::EConvertError(const std::string& text)
    : Exception(kNotAFloat, {text}) {}

}  // namespace base
