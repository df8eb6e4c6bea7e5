#pragma once
// The language of the window: English for a user who puts English before
// Japanese, Japanese (the texts the program is written in) for everyone else;
// and Qt's own texts (the file, colour and message dialogs) in that language.
#include <QString>
#include <QStringList>

class QCoreApplication;

namespace app {

// "en" when uiLanguages (most preferred first, as QLocale gives them) name
// English before Japanese; "ja" otherwise, with neither named included.
QString UiLanguage(const QStringList& uiLanguages);

// The same for the system's UI languages.
QString UiLanguage();

// Loads Qt's translations (qtbase_*.qm) for UiLanguage() into application.
// Missing translation files leave Qt's texts in English.
void InstallQtTranslations(QCoreApplication& application);

}  // namespace app
