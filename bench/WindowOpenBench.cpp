// Opening the large synthetic model in the main window, from the command until
// the tree is shown, against `korvane-convert --list` of the same file, in one
// run. Needs a display (run under xvfb-run).
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "LargeModel.h"
#include "app/Application.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRepeats = 3;

double BestSeconds(const std::function<void()>& run, const std::function<void()>& reset) {
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
        reset();
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    app::TKorvaneApplication application(argc, argv);
    testsupport::TempDir dir;
    const std::string path = dir.File("large.3ds");
    std::printf("writing %s ...\n", path.c_str());
    std::fflush(stdout);
    largemodel::WriteLargeModel(path);

    const double list = BestSeconds(
        [&] {
            if (testsupport::RunProcess({KORVANE_CONVERT, "--list", path}).exitCode != 0) std::abort();
        },
        [] {});

    app::TMainFrm window(dir.File("RecentFile.Mru"));
    window.show();
    QApplication::processEvents();
    const double open = BestSeconds(
        [&] {
            window.OpenGivenFile(path);
            window.UpdateCommandStates();
            window.Controls().ModelPanel->TreeView()->repaint();
            QApplication::processEvents();
            if (window.Controls().ModelPanel->TreeView()->topLevelItemCount() != largemodel::kMeshes) std::abort();
        },
        [&] { window.Controls().fCloseFile->trigger(); });

    std::printf("korvane-convert --list:       %.3f s (best of %d)\n", list, kRepeats);
    std::printf("window open until tree shown: %.3f s (best of %d)\n", open, kRepeats);
    std::printf("window / --list: %.2fx  (target: within 1.5x)\n", open / list);
    return 0;
}
