#include "app/Application.h"

#include <QMessageBox>

#include <exception>
#include <stdexcept>

#include "DisplayText.h"
#include "app/ErrorText.h"
#include "app/UiLanguage.h"
#include "WaitCursor.h"
#include "base/Beep.h"
#include "base/Errors.h"
#include "model3ds/OpenModel.h"
#include "net/SocketClient.h"
#include "widgets/HandlerGuard.h"

namespace app {

TKorvaneApplication::TKorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("korvane"));
    setApplicationDisplayName(QStringLiteral("Velquor Version 2.1"));
    setDesktopFileName(QStringLiteral("korvane"));
    setFont(WindowFont());
    InstallQtTranslations(*this);
    if (UiLanguage() == QLatin1String("en")) {
        if (translator_.load(QStringLiteral(":/i18n/korvane_en.qm"))) {
            installTranslator(&translator_);
        } else {
            qWarning("The English texts are missing from the program; the window stays in Japanese.");
        }
    }
    base::SetBeepHook([] { QApplication::beep(); });
    // The network clients wait synchronously; the window stays alive meanwhile.
    net::TSocketClient::SetPumpHook([] { QApplication::processEvents(QEventLoop::AllEvents); });
    widgets::SetHandlerErrorReporter(ShowException);
}

// No exception may unwind through Qt's event loop: one that leaves an event handler
// is reported here and the event counts as handled. Handlers connected to signals
// report their own (widgets::Guarded), as Qt's signal code cannot be unwound.
bool TKorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(std::runtime_error("Unknown error"));
    }
    return true;
}

void TKorvaneApplication::ShowException(const std::exception& error) {
    TWaitCursor::RestoreNormal();
    const QString message = TranslatedErrorText(error);
    // A file that holds no model is told in a plain box; anything else is an error.
    const bool plain = dynamic_cast<const model3ds::EReadModelError*>(&error) != nullptr;
    QMessageBox box(plain ? QMessageBox::NoIcon : QMessageBox::Critical, QApplication::applicationDisplayName(),
                    message, QMessageBox::Ok, QApplication::activeWindow());
    box.setDetailedText(ErrorDetailText(error));
    box.exec();
}

QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("VL PGothic"), QStringLiteral("sans-serif")});
    font.setPixelSize(12);
    return font;
}

}  // namespace app
