#include "app/ErrorText.h"

#include <new>
#include <string>
#include <vector>

#include "DisplayText.h"
#include "app/UiLanguage.h"
#include "base/Errors.h"
#include "base/Language.h"

namespace app {

namespace {

base::TUiLanguage WindowLanguage() {
    return UiLanguage() == QLatin1String("en") ? base::TUiLanguage::English : base::TUiLanguage::Japanese;
}

// std::bad_alloc's own text is the library's name for it, which tells a user nothing.
constexpr const char* kNoMemory = "メモリが足りません";

}  // namespace

QString TranslatedErrorText(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QString::fromStdString(base::Translated(kNoMemory, WindowLanguage()));
    const auto* shared = dynamic_cast<const base::Exception*>(&error);
    if (!shared) return DisplayText(base::MessageLines(error.what()));
    // Values are names as the user gave them, bytes that may not be UTF-8.
    std::vector<std::string> values;
    for (const std::string& value : shared->Values()) values.push_back(DisplayText(value).toStdString());
    const std::string text = base::Translated(shared->Text(), WindowLanguage());
    // A whole message without a translation may hold names of its own.
    if (values.empty() && text == shared->Text()) return DisplayText(base::MessageLines(error.what()));
    return QString::fromStdString(base::MessageLines(base::FillValues(text, values)));
}

QString ErrorDetailText(const std::exception& error) {
    const QString file = DisplayText(base::UnnamedFile(error));
    const QString reason = QString::fromStdString(base::ErrorReason(error, WindowLanguage()));
    return file + (!file.isEmpty() && !reason.isEmpty() ? QStringLiteral(": ") : QString()) + reason;
}

}  // namespace app
