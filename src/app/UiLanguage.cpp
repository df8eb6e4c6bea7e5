#include "app/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

namespace {

// "en", "en-US" and "en_GB" all name English; "eo" or "enx" do not.
bool NamesLanguage(const QString& tag, QLatin1String language) {
    if (!tag.startsWith(language, Qt::CaseInsensitive)) return false;
    return tag.size() == language.size() || tag.at(language.size()) == u'-' || tag.at(language.size()) == u'_';
}

}  // namespace

QString UiLanguage(const QStringList& uiLanguages) {
    for (const QString& tag : uiLanguages) {
        if (NamesLanguage(tag, QLatin1String("en"))) return QStringLiteral("en");
        if (NamesLanguage(tag, QLatin1String("ja"))) return QStringLiteral("ja");
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
