#include "app/ErrorText.h"

#include <QCoreApplication>

#include <new>
#include <string>
#include <vector>

#include "DisplayText.h"
#include "base/Errors.h"

namespace app {

namespace {

constexpr const char* kContext = "app::ErrorText";

// The texts of the shared modules' errors that the window translates; each "%s"
// takes one of the error's values.
[[maybe_unused]] constexpr const char* kTexts[] = {
    QT_TRANSLATE_NOOP("app::ErrorText", "ストリームからの読み込みエラー"),
    QT_TRANSLATE_NOOP("app::ErrorText", "ストリームへの書き込みエラー"),
    QT_TRANSLATE_NOOP("app::ErrorText", "ファイル %s は開けません"),
    QT_TRANSLATE_NOOP("app::ErrorText", "ファイル %s を作成できません"),
    QT_TRANSLATE_NOOP("app::ErrorText", "リストのインデックスが範囲を超えています (%s)"),
    QT_TRANSLATE_NOOP("app::ErrorText", "'%s' は正しい浮動小数点数ではありません"),
};

// std::bad_alloc's own text is the library's name for it, which tells a user nothing.
constexpr const char* kNoMemory = QT_TRANSLATE_NOOP("app::ErrorText", "メモリが足りません");

}  // namespace

QString TranslatedErrorText(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error)) return QCoreApplication::translate(kContext, kNoMemory);
    const auto* shared = dynamic_cast<const base::Exception*>(&error);
    if (!shared) return DisplayText(base::MessageLines(error.what()));
    // Values are names as the user gave them, bytes that may not be UTF-8.
    std::vector<std::string> values;
    for (const std::string& value : shared->Values()) values.push_back(DisplayText(value).toStdString());
    const QString text = QCoreApplication::translate(kContext, shared->Text().c_str());
    // A whole message without a translation may hold names of its own.
    if (values.empty() && text == QString::fromUtf8(shared->Text())) return DisplayText(base::MessageLines(error.what()));
    return QString::fromStdString(base::MessageLines(base::FillValues(text.toStdString(), values)));
}

}  // namespace app
