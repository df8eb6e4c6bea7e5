#include "app/ErrorText.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace app {

namespace {

constexpr const char* kContext = "app::ErrorText";

// The messages as the shared modules format them: %s a file name or text, %lld an index.
constexpr const char* kMessages[] = {
    QT_TRANSLATE_NOOP("app::ErrorText", "ストリームからの読み込みエラー"),
    QT_TRANSLATE_NOOP("app::ErrorText", "ストリームへの書き込みエラー"),
    QT_TRANSLATE_NOOP("app::ErrorText", "ファイル %s は開けません"),
    QT_TRANSLATE_NOOP("app::ErrorText", "ファイル %s を作成できません"),
    QT_TRANSLATE_NOOP("app::ErrorText", "リストのインデックスが範囲を超えています (%lld)"),
    QT_TRANSLATE_NOOP("app::ErrorText", "'%s' は正しい浮動小数点数ではありません"),
};

const QRegularExpression kConversion(QStringLiteral("%(s|lld)"));

// The whole-message pattern of a format, each conversion a captured group.
QRegularExpression PatternOf(const QString& format) {
    QString pattern;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& conversion : kConversion.globalMatch(format)) {
        pattern += QRegularExpression::escape(format.mid(from, conversion.capturedStart() - from));
        pattern += conversion.captured(1) == u's' ? QStringLiteral("(.*)") : QStringLiteral("(-?\\d+)");
        from = conversion.capturedEnd();
    }
    pattern += QRegularExpression::escape(format.mid(from));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::DotMatchesEverythingOption);
}

// format with its conversions replaced, in order, by the values captured.
QString Fill(const QString& format, const QRegularExpressionMatch& values) {
    QString text;
    qsizetype from = 0;
    int value = 1;
    for (const QRegularExpressionMatch& conversion : kConversion.globalMatch(format)) {
        text += format.mid(from, conversion.capturedStart() - from) + values.captured(value++);
        from = conversion.capturedEnd();
    }
    return text + format.mid(from);
}

}  // namespace

QString TranslatedErrorText(const QString& message) {
    for (const char* source : kMessages) {
        const QRegularExpressionMatch values = PatternOf(QString::fromUtf8(source)).match(message);
        if (values.hasMatch()) return Fill(QCoreApplication::translate(kContext, source), values);
    }
    return message;
}

}  // namespace app
