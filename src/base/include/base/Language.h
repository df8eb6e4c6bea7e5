#pragma once
// The language of the user interface, and the shared modules' messages in it.
// The programs are written in Japanese; a user who puts English before Japanese
// gets English. The window and the command-line tools follow this one rule.
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"

namespace base {

enum class TUiLanguage { Japanese, English };

// English when tags (most preferred first: "en", "en-US", "ja_JP.UTF-8") name
// English before Japanese; Japanese otherwise, with neither named included.
TUiLanguage UiLanguageOf(const std::vector<std::string>& tags);

// The user's languages as the environment names them: the list in LANGUAGE,
// else the first of LC_ALL, LC_MESSAGES and LANG that is set.
std::vector<std::string> EnvironmentUiLanguages();

// UiLanguageOf(EnvironmentUiLanguages()).
TUiLanguage EnvironmentUiLanguage();

// A message text of the shared modules ("ファイル %s は開けません") in language;
// a text without a translation as it is.
std::string Translated(const std::string& text, TUiLanguage language);

// The texts Translated puts into English: every text of base/Texts.h.
std::vector<std::string_view> TranslatableTexts();

// A message text in the user's language; a text without a translation as it is.
using TTranslator = std::function<std::string(const std::string& text)>;

// The error's message in language, its values put in, lines joined by newlines.
std::string ErrorMessage(const std::exception& error, TUiLanguage language);

// The file the error is about, unless its message already names it or it is
// namedFile (named by the line before the message); else empty.
std::string UnnamedFile(const std::exception& error, std::string_view namedFile = {});

// Why the error happened, in language, when known; else empty. The second form
// puts the text into the user's language with translated.
std::string ErrorReason(const std::exception& error, TUiLanguage language);
std::string ErrorReason(const std::exception& error, const TTranslator& translated);

// The error as a tool prints it, on one line per line of the message:
// "FILE: MESSAGE: REASON", each part there only when known and not yet named.
std::string ErrorLine(const std::exception& error, TUiLanguage language, std::string_view namedFile = {});

}  // namespace base
