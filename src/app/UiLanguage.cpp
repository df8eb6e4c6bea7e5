#include "app/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <string>
#include <vector>

#include "base/Language.h"

namespace app {

QString UiLanguage(const QStringList& uiLanguages) {
    std::vector<std::string> tags;
    for (const QString& tag : uiLanguages) tags.push_back(tag.toStdString());
    return base::UiLanguageOf(tags) == base::TUiLanguage::English ? QStringLiteral("en") : QStringLiteral("ja");
}

QString UiLanguage() { return UiLanguage(QLocale::system().uiLanguages()); }

void InstallQtTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_") + UiLanguage(), folder)) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace app
