#include "WindowSupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"
#include "support/Writer3DS.h"

namespace windowtest {

namespace {

// One application object for every test of the executable, made before the first test runs.
class Application : public ::testing::Environment {
public:
    // The window speaks the user's language: each test program names the languages it reads in.
    void SetUp() override {
        qputenv("LC_ALL", "C.UTF-8");
        qputenv("LANGUAGE", KORVANE_UI_LANGUAGES);
        application_ = std::make_unique<app::TKorvaneApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "korvane-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<app::TKorvaneApplication> application_;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new Application);

}  // namespace

// Answers every modal dialog that opens while action runs: message boxes are
// closed with OK, a file dialog gets path typed into its name field and is accepted.
ModalAnswers RunAnswering(const std::function<void()>& action, const QString& path) {
    ModalAnswers answers;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            answers.boxTexts.push_back(box->text());
            answers.boxPlain.push_back(box->icon() == QMessageBox::NoIcon);
            box->accept();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && dialog->isVisible()) {
            if (answers.proposed.isEmpty()) answers.proposed = dialog->selectedFiles().value(0);
            // The name field has the focus, so it is typed into rather than selected.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
    });
    timer.start();
    action();
    QTest::qWait(30);
    timer.stop();
    return answers;
}

std::vector<QString> AnswerMessageBoxes(const std::function<void()>& action) {
    return RunAnswering(action).boxTexts;
}

std::vector<std::uint8_t> SampleModel() {
    testsupport::MeshSpec box{.name = "\x94\xA0",
                              .vertices = {{0, -1, 0}, {1, -1, 0}, {1, 1, 0.5f}, {0, 1, 0}},
                              .faces = {{0, 1, 2}, {0, 2, 3}},
                              .texCoords = {{0, 0}, {1, 0}, {1, 1}},
                              .groups = {{"Red", {0}}, {"Blue", {1}}}};
    testsupport::MeshSpec unnamed{.name = "", .vertices = {{9, 9, 9}}};
    testsupport::MeshSpec cube{.name = "立方体", .vertices = {{5, 5, 5}}};
    testsupport::MaterialSpec red{.name = "Red",
                                  .diffuse = testsupport::Rgb{255, 128, 0},
                                  .specular = testsupport::Rgb{0, 0, 255},
                                  .selfIllum = 35};
    testsupport::MaterialSpec blue{.name = "Blue"};
    return testsupport::BuildModel({box, unnamed, cube}, {red, blue});
}

std::vector<std::uint8_t> FarTriangleX() {
    const std::string text = "xof 0303txt 0032\nMesh {\n3;\n40.0;30.0;5.0;,\n40.0;34.0;5.0;,\n43.0;30.0;6.0;;\n1;\n3;0,1,2;;\n}\n";
    return {text.begin(), text.end()};
}

}  // namespace windowtest
