#include "base/Errors.h"

#include "base/Format.h"

namespace base {

EReadError::EReadError() : EStreamError("ストリームからの読み込みエラー") {}

EWriteError::EWriteError() : EStreamError("ストリームへの書き込みエラー") {}

EFOpenError::EFOpenError(const std::string& fileName)
    : EStreamError(Format("ファイル %s は開けません", fileName.c_str())) {}

EFCreateError::EFCreateError(const std::string& fileName)
    : EStreamError(Format("ファイル %s を作成できません", fileName.c_str())) {}

EListError::EListError(long long index)
    : Exception(Format("リストのインデックスが範囲を超えています (%lld)", index)) {}

EConvertError::EConvertError(const std::string& text)
    : Exception(Format("'%s' は正しい浮動小数点数ではありません", text.c_str())) {}

}  // namespace base
