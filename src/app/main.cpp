// korvane: the desktop converter. A file named on the command line (as a file
// manager's "Open with" passes it) is opened once the window is shown.
#include <QFile>
#include <QTimer>

#include <optional>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainFrm.h"
#include "app/RecentFiles.h"
#include "app/UserSettings.h"
#include "widgets/HandlerGuard.h"

int main(int argc, char** argv) {
    if (const std::optional<int> status = app::AnswerWithoutWindow(argc, argv)) return *status;
    app::TKorvaneApplication application(argc, argv);
    const std::optional<app::TCommandLine> line = app::ParseCommandLine(argc, argv);
    if (!line) return app::kExitUsage;
    const std::string executableFolder =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
    app::TMainFrm window(app::RecentFileLocation(executableFolder, app::UserConfigFolder()),
                         app::UserSettingsLocation());
    window.show();
    if (line->File) {
        QTimer::singleShot(0, &window, widgets::Guarded([&window, path = *line->File] {
            window.OpenGivenFile(path);
            window.UpdateCommandStates();
        }));
    }
    return application.exec();
}
