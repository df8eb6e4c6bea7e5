#include "DisplayText.h"

#include <QStringDecoder>

namespace app {

namespace {

QString DecodeShiftJis(std::string_view raw) {
    // Code page 932 is Shift-JIS with the vendor extensions most files were written with.
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
    return decoder.decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())));
}

}  // namespace

QString DisplayText(std::string_view raw) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(raw.data(), static_cast<qsizetype>(raw.size())));
    if (!utf8.hasError()) return text;
    return DecodeShiftJis(raw);
}

}  // namespace app
