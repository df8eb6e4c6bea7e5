#pragma once
// The language of the window's texts, and Qt's own texts (the file, colour and
// message dialogs) in that language.
#include <QString>
#include <QStringList>

class QCoreApplication;

namespace app {

// "en" when the user's UI languages name English before Japanese, else "ja";
// a C or POSIX locale, or none at all, gives "ja".
QString UiLanguage(const QStringList& uiLanguages);
// The same for the languages of QLocale::system().
QString UiLanguage();

// Loads Qt's translations (qtbase_*.qm) for UiLanguage() into application.
// Missing translation files leave Qt's texts in English.
void InstallQtTranslations(QCoreApplication& application);

}  // namespace app
