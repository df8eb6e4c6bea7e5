#include "app/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

QString UiLanguage(const QStringList& uiLanguages) {
    for (const QString& name : uiLanguages) {
        const QString language = name.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
        if (language == QLatin1String("en")) return QStringLiteral("en");
        if (language == QLatin1String("ja") || language == QLatin1String("c") || language == QLatin1String("posix")) {
            return QStringLiteral("ja");
        }
    }
    return QStringLiteral("ja");
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
