#pragma once
// The language of the window: English for a user who puts English before
// Japanese, Japanese (the texts the program is written in) for everyone else.
#include <QString>
#include <QStringList>

namespace app {

// "en" when uiLanguages (most preferred first, as QLocale gives them) name
// English before Japanese; "ja" otherwise, with neither named included.
QString UiLanguage(const QStringList& uiLanguages);

// The same for the system's UI languages.
QString UiLanguage();

}  // namespace app
