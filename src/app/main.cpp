// korvane: the desktop converter. A model file named on the command line (as a
// file manager's "Open with" passes it) is opened once the window is shown.
#include <QFile>
#include <QTimer>

#include "app/Application.h"
#include "app/MainFrm.h"
#include "app/RecentFiles.h"
#include "widgets/HandlerGuard.h"

int main(int argc, char** argv) {
    app::TKorvaneApplication application(argc, argv);
    const std::string executableFolder =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
    app::TMainFrm window(app::RecentFileLocation(executableFolder, app::UserConfigFolder()));
    window.show();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        const std::string path = QFile::encodeName(arguments.at(1)).toStdString();
        QTimer::singleShot(0, &window, widgets::Guarded([&window, path] {
            window.OpenChosenFile(path);
            window.UpdateCommandStates();
        }));
    }
    return application.exec();
}
