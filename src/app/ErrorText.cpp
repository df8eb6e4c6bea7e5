#include "app/ErrorText.h"

#include <QCoreApplication>

#include <new>
#include <string>
#include <vector>

#include "DisplayText.h"
#include "base/Errors.h"
#include "base/Language.h"
#include "base/Texts.h"

namespace app {

namespace {

// The shared modules' text in the window's language; a text without a
// translation as it is, byte for byte, since it may hold names of its own.
std::string TranslatedText(const std::string& text) {
    const QString translated = QCoreApplication::translate(base::kTextContext, text.c_str());
    return translated == QString::fromUtf8(text) ? text : translated.toStdString();
}

}  // namespace

QString TranslatedErrorText(const std::exception& error) {
    // std::bad_alloc's own text is the library's name for it, which tells a user nothing.
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QString::fromStdString(TranslatedText(base::kNoMemory));
    const auto* shared = dynamic_cast<const base::Exception*>(&error);
    if (!shared) return DisplayText(base::MessageLines(error.what()));
    // Values are names as the user gave them, bytes that may not be UTF-8.
    std::vector<std::string> values;
    for (const std::string& value : shared->Values()) values.push_back(DisplayText(value).toStdString());
    const std::string text = TranslatedText(shared->Text());
    // A whole message without a translation may hold names of its own.
    if (values.empty() && text == shared->Text()) return DisplayText(base::MessageLines(error.what()));
    return QString::fromStdString(base::MessageLines(base::FillValues(text, values)));
}

QString ErrorDetailText(const std::exception& error) {
    const QString file = DisplayText(base::UnnamedFile(error));
    const QString reason = QString::fromStdString(base::ErrorReason(error, TranslatedText));
    return file + (!file.isEmpty() && !reason.isEmpty() ? QStringLiteral(": ") : QString()) + reason;
}

}  // namespace app
