#include "base/Errors.h"

#include <cstring>
#include <utility>

#include "base/Format.h"

namespace base {

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

EReadError::EReadError() : EStreamError("ストリームからの読み込みエラー") {}

EStreamError::EStreamError(const std::string& message, std::string detail)
    : Exception(message), detail_(std::move(detail)) {}

EWriteError::EWriteError() : EStreamError("ストリームへの書き込みエラー") {}

EWriteError::EWriteError(const std::string& target, int systemError)
    : EStreamError("ストリームへの書き込みエラー", target + ": " + std::strerror(systemError)) {}

EFOpenError::EFOpenError(const std::string& fileName)
    : EStreamError(Format("ファイル %s は開けません", fileName.c_str())) {}

EFCreateError::EFCreateError(const std::string& fileName)
    : EStreamError(Format("ファイル %s を作成できません", fileName.c_str())) {}

EFCreateError::EFCreateError(const std::string& fileName, int systemError)
    : EStreamError(Format("ファイル %s を作成できません", fileName.c_str()), std::strerror(systemError)) {}

EListError::EListError(long long index)
    : Exception(Format("リストのインデックスが範囲を超えています (%lld)", index)) {}

EConvertError::EConvertError(const std::string& text)
    : Exception(Format("'%s' は正しい浮動小数点数ではありません", text.c_str())) {}

}  // namespace base
