#include "widgets/HandlerGuard.h"

#include <QtGlobal>

namespace widgets {

namespace {

std::function<void(const std::exception&)>& Reporter() {
    static std::function<void(const std::exception&)> reporter;
    return reporter;
}

}  // namespace

void SetHandlerErrorReporter(std::function<void(const std::exception&)> reporter) { Reporter() = std::move(reporter); }

// Without an application to show it, the error goes where Qt's warnings go.
void ReportHandlerError(const std::exception& error) {
    if (Reporter()) {
        Reporter()(error);
    } else {
        qWarning("%s", error.what());
    }
}

}  // namespace widgets
