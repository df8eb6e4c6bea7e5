// The window as the desktop and its users meet it: accessible values, growing,
// files given by the desktop, shortcuts, remembered settings, the dialogs'
// language and the command line.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "SampleModels.h"
#include "WindowSupport.h"
#include "app/ExportOptionsBox.h"
#include "app/FileDialogs.h"
#include "app/RecentFilesMenu.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "app/UiLanguage.h"
#include "app/WebAdrFrm.h"
#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "viewer/Draw3DFrm.h"
#include "viewer/MeshBuilder.h"
#include "widgets/FnpNumericEdit.h"
#include "widgets/SpinEdit.h"

using app::TMainFrm;
using app::TWebAdrFrm;

namespace {

// While not 0, every allocation of at least this many bytes fails, as it would in
// a process short of memory.
std::atomic<std::size_t> failingAllocation{0};

}  // namespace

void* operator new(std::size_t size) {
    const std::size_t failing = failingAllocation.load(std::memory_order_relaxed);
    if (failing != 0 && size >= failing) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using testsupport::ReadFile;
using testsupport::SaveFile;

class WindowFit : public ::testing::Test {
protected:
    void SetUp() override {
        sample_ = dir_.File("sample.3ds");
        SaveFile(sample_, apptest::SampleModel());
        Start();
    }

    void Start() {
        window_ = std::make_unique<TMainFrm>(dir_.File("RecentFile.Mru"), dir_.File("config/korvane.conf"));
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    void Restart() {
        window_->close();
        window_.reset();
        Start();
    }

    void Open(const std::string& path) {
        EXPECT_TRUE(windowtest::AnswerMessageBoxes([&] { window_->OpenGivenFile(path); }).empty()) << path;
        window_->UpdateCommandStates();
    }

    void Select(int top, int child = -1) {
        QTreeWidgetItem* node = window_->Controls().ModelPanel->TreeView()->topLevelItem(top);
        window_->Controls().ModelPanel->TreeView()->setCurrentItem(child < 0 ? node : node->child(child));
    }

    // Writes the first mesh of the sample as a binary .x file at path.
    void WriteGeometry(const std::string& path) {
        Open(sample_);
        Select(0);
        window_->SaveChosenFile(path, true);
        window_->Controls().fCloseFile->trigger();
    }

    // A login as user Hanako, password SecretWord9, to a closed loopback port.
    void FailedLogin() {
        TWebAdrFrm& login = *window_->Controls().WebAdrFrm;
        QTimer::singleShot(0, [&] {
            login.URLEdit->setText("127.0.0.1");
            login.PortNo->SetValue(1);
            login.HttpFolderEdit->setText("models/x");
            login.TimeOutEdit->SetValue(3);
            login.UseNameCombo->setEditText("Hanako");
            login.PassWordEdit->setText("SecretWord9");
            login.LoninBtn->click();
        });
        windowtest::AnswerMessageBoxes([&] { window_->Controls().fndWeb->trigger(); });
    }

    testsupport::TempDir dir_;
    std::string sample_;
    std::unique_ptr<TMainFrm> window_;
};

QString AccessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

}  // namespace

TEST_F(WindowFit, ValueLabelsAndStatusPanelsAreNamedByTheirText) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    Open(sample_);
    Select(0);
    Select(0, 0);
    QLabel* const values[] = {ui.ModelPanel->VertexCount(), ui.ModelPanel->FaceCount(), ui.ModelPanel->TextureCoords(), ui.ModelPanel->MaterialCount(), ui.ModelPanel->MeshCount(),
                              ui.ModelPanel->MaxCoord(), ui.ModelPanel->MinCoord(), ui.ModelPanel->DiffuseColorRGB(), ui.ModelPanel->SpeculerColorRGB(), ui.ModelPanel->SelfIlluminate()};
    for (QLabel* label : values) {
        EXPECT_FALSE(label->text().isEmpty()) << label->objectName().toStdString();
        EXPECT_EQ(AccessibleName(label), label->text());
    }
    EXPECT_EQ(AccessibleName(ui.ModelPanel->TreeView()), QString::fromUtf8("メッシュとマテリアル"));
    EXPECT_EQ(AccessibleName(ui.ExportOptions->TextureFolderField()), QString::fromUtf8("テクスチャの場所"));

    // The status panels, as a failed login fills them.
    FailedLogin();
    for (QLabel* panel : ui.StatusPanels) {
        EXPECT_FALSE(panel->text().isEmpty());
        EXPECT_EQ(AccessibleName(panel), panel->text());
    }
}

TEST_F(WindowFit, GrowingGivesTheGridTheRoomAndKeepsThePage) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    ASSERT_EQ(w.size(), QSize(802, 578));
    std::vector<std::pair<QWidget*, QRect>> page;
    for (QWidget* child : ui.ThePage->findChildren<QWidget*>()) {
        page.emplace_back(child, QRect(child->mapTo(&w, QPoint(0, 0)), child->size()));
    }
    page.emplace_back(ui.ThePage, ui.ThePage->geometry());
    const QSize grid = ui.Panel1->WebListGrig()->size();
    std::vector<int> columns;
    for (int column = 0; column < 4; ++column) columns.push_back(ui.Panel1->WebListGrig()->columnWidth(column));
    const int panelWidth = ui.StatusPanels[0]->width();

    const struct {
        QSize asked, got;
    } sizes[] = {{{1200, 900}, {1200, 900}}, {{500, 300}, {802, 578}}, {{1000, 700}, {1000, 700}}};
    for (const auto& size : sizes) {
        w.resize(size.asked);
        QTest::qWait(20);
        ASSERT_EQ(w.size(), size.got);
        const QSize gained = size.got - QSize(802, 578);
        EXPECT_EQ(ui.Panel1->WebListGrig()->size(), grid + gained);
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(ui.Panel1->WebListGrig()->columnWidth(column), columns[column] + (column == 3 ? gained.width() : 0));
        }
        for (const auto& [widget, where] : page) {
            const QRect now = widget == ui.ThePage ? widget->geometry()
                                                  : QRect(widget->mapTo(&w, QPoint(0, 0)), widget->size());
            EXPECT_EQ(now.topLeft(), where.topLeft()) << widget->metaObject()->className();
            EXPECT_EQ(now.height(), where.height()) << widget->metaObject()->className();
        }
        EXPECT_EQ(ui.StatusPanels[0]->width(), panelWidth);
        const QRect last(ui.StatusPanels[1]->mapTo(&w, QPoint(0, 0)), ui.StatusPanels[1]->size());
        EXPECT_GE(last.right(), w.width() - 6);
    }
}

TEST_F(WindowFit, DirectXFilesOpenInAViewer) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    const std::string plain = dir_.File("box.x");
    WriteGeometry(plain);
    const std::vector<std::uint8_t> bytes = base::ReadWholeFile(plain);
    SaveFile(dir_.File("PACKED.XA"), model3ds::Pack3DA(bytes.data(), bytes.size()));
    SaveFile(dir_.File("\x94\xA0.x"), bytes);
    const auto drop = [&](const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &dropped);
    };
    const struct {
        const char* name;
        std::function<void()> open;
        QString caption;
    } cases[] = {
        {"given .x", [&] { Open(plain); }, "box.x"},
        {"given non-UTF-8 name", [&] { Open(dir_.File("\x94\xA0.x")); }, QFile::decodeName("\x94\xA0.x")},
        {"dropped .xa", [&] { drop(dir_.File("PACKED.XA")); }, "PACKED.XA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.open();
        ASSERT_FALSE(ui.CurrentViewer.isNull());
        EXPECT_EQ(ui.CurrentViewer->windowTitle(), c.caption);
        const viewer::MeshBuilder* meshes = ui.CurrentViewer->D3DrawX->MeshBuilder();
        ASSERT_NE(meshes, nullptr);
        EXPECT_EQ(meshes->Positions().size(), 4u);
        EXPECT_EQ(meshes->TextureFolder(), dir_.Path().string());
        ui.CurrentViewer->close();
        QTest::qWait(10);
    }
    // A model still opens into the browser; a damaged .x is a read error and leaves no viewer.
    Open(sample_);
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
    SaveFile(dir_.File("damaged.x"), {'x', 'o', 'f'});
    const auto texts = windowtest::AnswerMessageBoxes(
        [&] { QTimer::singleShot(0, [&] { w.OpenGivenFile(dir_.File("damaged.x")); }); });
    EXPECT_EQ(texts, std::vector<QString>{QString::fromStdString("READ ERROR : " + dir_.File("damaged.x"))});
    QTest::qWait(10);
    EXPECT_TRUE(ui.CurrentViewer.isNull());
}

// A file given by a relative name is remembered by its absolute one: the
// recent-files list opens it again from another folder, and a .x file's
// textures are looked for in its own folder.
TEST_F(WindowFit, GivenFilesAreOpenedByTheirAbsoluteNames) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    std::filesystem::create_directory(dir_.File("models"));
    SaveFile(dir_.File("models/far.x"), apptest::FarTriangleX());
    // The folder the tests started in comes back however this test ends.
    const std::unique_ptr<const std::filesystem::path, void (*)(const std::filesystem::path*)> started(
        new std::filesystem::path(std::filesystem::current_path()), [](const std::filesystem::path* folder) {
            std::filesystem::current_path(*folder);
            delete folder;
        });
    std::filesystem::current_path(dir_.Path());
    Open("./models/../sample.3ds");
    Open("models/far.x");
    std::filesystem::current_path(dir_.File("models"));
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    EXPECT_EQ(ui.CurrentViewer->D3DrawX->MeshBuilder()->TextureFolder(), dir_.File("models"));
    ui.CurrentViewer->close();
    ui.fCloseFile->trigger();
    emit ui.MruPopupMenu->aboutToShow();
    ASSERT_EQ(ui.MruPopupMenu->actions().size(), 1);
    EXPECT_EQ(ui.MruPopupMenu->actions().at(0)->text().toStdString(), sample_);
    EXPECT_TRUE(windowtest::AnswerMessageBoxes([&] { ui.MruPopupMenu->actions().at(0)->trigger(); }).empty());
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
}

// A .x file from the disk starts framed, wherever its coordinates lie; the
// window's own viewer starts with the camera 15 units from the model's origin.
TEST_F(WindowFit, DirectXFilesStartFramedAndTheWindowsViewerAsDesigned) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    SaveFile(dir_.File("far.x"), apptest::FarTriangleX());
    Open(dir_.File("far.x"));
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    const QImage picture = ui.CurrentViewer->D3DrawX->grabFramebuffer();
    QRect drawn;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFF) != 0) drawn |= QRect(x, y, 1, 1);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_NEAR(drawn.center().x(), picture.rect().center().x(), picture.width() / 10);
    EXPECT_NEAR(drawn.center().y(), picture.rect().center().y(), picture.height() / 10);
    EXPECT_GT(drawn.height(), picture.height() * 8 / 10);
    ui.CurrentViewer->close();
    QTest::qWait(10);

    Open(sample_);
    Select(0);
    ui.sDraw3D->trigger();
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    viewer::TD3DrawX& control = *ui.CurrentViewer->D3DrawX;
    EXPECT_NEAR(viewer::Length(control.GetCamera().GetPosition(control.ModelFrame())), 15.0f, 1e-4f);
    ui.CurrentViewer->close();
}

// A model that reads but cannot be made ready for drawing, as memory runs out, is
// named in a message in the window's language; no viewer stays open without it.
TEST_F(WindowFit, ViewerThatCannotDrawItsModelSaysSoAndCloses) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    // 30,000 triangles apart: their vertices take megabytes to draw.
    constexpr int kTriangles = 30000;
    std::string text = "xof 0303txt 0032\nMesh {\n" + std::to_string(3 * kTriangles) + ";\n";
    for (int i = 0; i < 3 * kTriangles; ++i) {
        const int x = i / 3 % 100 + (i % 3 == 1);
        const int y = i / 300 + (i % 3 == 2);
        text += std::to_string(x) + ";" + std::to_string(y) + ";0;" + (i + 1 < 3 * kTriangles ? ",\n" : ";\n");
    }
    text += std::to_string(kTriangles) + ";\n";
    for (int t = 0; t < kTriangles; ++t) {
        text += "3;" + std::to_string(3 * t) + "," + std::to_string(3 * t + 1) + "," + std::to_string(3 * t + 2) + ";" +
                (t + 1 < kTriangles ? ",\n" : ";\n");
    }
    text += "}\n";
    const std::string path = dir_.File("large.x");
    SaveFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));

    w.OpenGivenFile(path);
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    const auto texts = windowtest::AnswerMessageBoxes([&] {
        failingAllocation = 1 << 20;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(ui.CurrentViewer));
        if (ui.CurrentViewer) ui.CurrentViewer->D3DrawX->repaint();
        failingAllocation = 0;
    });
    EXPECT_EQ(texts, std::vector<QString>{QString::fromStdString(path) +
                                          QString::fromUtf8(" を表示できません\nメモリが足りません")});
    EXPECT_TRUE(ui.CurrentViewer.isNull());
}

TEST_F(WindowFit, ShortcutsRunTheirCommandsWhenTheirItemsAreEnabled) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    const auto press = [&](QKeyCombination keys, const std::string& path = {}) {
        // Without a window manager, closing a dialog leaves no window active.
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        windowtest::RunAnswering([&] { QTest::keyClick(&w, keys.key(), keys.keyboardModifiers()); },
                                 QString::fromStdString(path));
    };
    const struct {
        const char* name;
        QAction* item;
        QKeyCombination keys;
        std::function<void()> before;
        std::string chosen;  // the file a dialog is given
        std::function<bool()> done;
    } steps[] = {
        {"open", ui.fOpen3DS, Qt::CTRL | Qt::Key_O, [] {}, sample_, [&] { return ui.ModelPanel->TreeView()->topLevelItemCount() == 2; }},
        {"save binary", ui.fSaveXAsBinally, Qt::CTRL | Qt::Key_S, [&] { Select(0); }, dir_.File("b.x"),
         [&] { return std::filesystem::exists(dir_.File("b.x")) && ReadFile(dir_.File("b.x")).substr(8, 3) == "bin"; }},
        {"save text", ui.fSaveXAsText, Qt::CTRL | Qt::SHIFT | Qt::Key_S, [] {}, dir_.File("t.x"),
         [&] { return std::filesystem::exists(dir_.File("t.x")) && ReadFile(dir_.File("t.x")).substr(8, 3) == "txt"; }},
        {"close", ui.fCloseFile, Qt::CTRL | Qt::Key_W, [] {}, {}, [&] { return ui.ModelPanel->TreeView()->topLevelItemCount() == 0; }},
        {"quit", ui.fQuit, Qt::CTRL | Qt::Key_Q, [] {}, {}, [&] { return !w.isVisible(); }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        EXPECT_EQ(step.item->shortcut(), QKeySequence(step.keys));
        EXPECT_TRUE(step.item->isEnabled());
        press(step.keys, step.chosen);
        EXPECT_TRUE(step.done());
    }
    // With nothing loaded, only open is enabled, and a disabled shortcut does nothing.
    Start();
    const app::TMainFrmControls& restarted = window_->Controls();
    for (QAction* item : {restarted.fCloseFile, restarted.fSaveXAsBinally, restarted.fSaveXAsText}) {
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    }
    EXPECT_TRUE(restarted.fOpen3DS->isEnabled() && restarted.fQuit->isEnabled());
    EXPECT_TRUE(windowtest::AnswerMessageBoxes([&] { QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier); })
                    .empty());
    EXPECT_FALSE(std::filesystem::exists(dir_.File("sample.x")));
}

TEST_F(WindowFit, SettingsSurviveARestartWithoutThePassword) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    std::filesystem::create_directories(dir_.Path() / "models");
    std::filesystem::create_directories(dir_.Path() / "out");
    const std::string model = dir_.File("models/sample.3ds");
    std::filesystem::copy_file(sample_, model);
    // The first save proposes the model's folder.
    Open(model);
    Select(0);
    const auto saved = windowtest::RunAnswering([&] { ui.fSaveXAsBinally->trigger(); }, QString::fromStdString(dir_.File("out/a.x")));
    EXPECT_EQ(QFileInfo(saved.proposed).absolutePath(), QString::fromStdString(dir_.File("models")));
    // The fields are kept although the login fails.
    FailedLogin();
    ui.ExportOptions->TextureFolderField()->setText(QString::fromStdString(" " + dir_.File("maps") + " ;; textures;"));
    w.resize(1000, 720);
    QTest::qWait(10);

    Restart();
    TMainFrm& again = *window_;
    const std::string stored = ReadFile(dir_.File("config/korvane.conf"));
    EXPECT_EQ(stored.find("SecretWord9"), std::string::npos);
    EXPECT_EQ(again.size(), QSize(1000, 720));
    EXPECT_EQ(again.Controls().Panel1->WebListGrig()->columnWidth(3), 228 + 1000 - 802);
    const app::TLoginFields fields = again.Controls().WebAdrFrm->Fields();
    EXPECT_EQ(fields.ServerAddress, "127.0.0.1");
    EXPECT_EQ(fields.Port, 1);
    EXPECT_EQ(fields.HttpFolder, "models/x");
    EXPECT_EQ(fields.TimeOutMinutes, 3);
    EXPECT_EQ(fields.User, "Hanako");
    EXPECT_TRUE(again.Controls().WebAdrFrm->PassWordEdit->text().isEmpty());
    EXPECT_EQ(again.Controls().ExportOptions->TextureFolders(), (std::vector<std::string>{dir_.File("maps"), "textures"}));
    EXPECT_EQ(app::LoadUserSettings(dir_.File("config/korvane.conf")).OpenFolder, QString::fromStdString(dir_.File("models")));
    const auto opened = windowtest::RunAnswering([&] { again.Controls().fOpen3DS->trigger(); }, QString::fromStdString(sample_));
    EXPECT_EQ(again.Controls().FileDialogs->OpenDialog()->directory().absolutePath(),
              QString::fromStdString(dir_.File("models")));
    // The next save proposes the folder of the last one, whichever model is open.
    Select(0);
    const auto next = windowtest::RunAnswering([&] { again.Controls().fSaveXAsText->trigger(); }, QString::fromStdString(dir_.File("out/b.x")));
    EXPECT_EQ(QFileInfo(next.proposed).absolutePath(), QString::fromStdString(dir_.File("out")));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("out/b.x")));
}

// A stored size larger than the screen, however large, gives a window that fits it.
TEST_F(WindowFit, RestoredSizeIsBoundedByTheScreen) {
    const QSize room = window_->screen()->availableGeometry().size();
    const struct {
        const char* stored;
        QSize expected;
    } cases[] = {
        {"16777215 16777215", room},
        {"100000 100000", room},
        {"100000 600", QSize(room.width(), 600)},
        {"0 0", QSize(802, 578)},
    };
    for (const auto& c : cases) {
        window_->close();
        window_.reset();
        const std::string text = std::string("[Window]\nSize=@Size(") + c.stored + ")\n";
        SaveFile(dir_.File("config/korvane.conf"), std::vector<std::uint8_t>(text.begin(), text.end()));
        Start();
        EXPECT_EQ(window_->size(), c.expected) << c.stored;
    }
}

// Qt's own dialogs speak the window's language (which language that is: StartupTest.cpp).
TEST(UiLanguage, QtDialogsSpeakTheWindowsLanguage) {
    if (app::UiLanguage() == "ja") {
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), QString::fromUtf8("ファイル名(&N):"));
    }
}

TEST(CommandLine, AnswersHelpAndVersionAndRefusesUnknownOptions) {
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* out;  // found in standard output
        bool errors;      // something on standard error
        bool display;     // run with the test's display; without one otherwise
    } cases[] = {
        {{"--help"}, 0, "Usage: ", false, false},
        {{"-h"}, 0, "[file]", false, false},
        {{"--version"}, 0, "korvane ", false, false},
        {{"--bogus"}, 2, "", true, false},
        {{"a.3ds", "b.3ds"}, 2, "", true, true},
        {{"a.3ds", "b.3ds"}, 2, "", true, false},
        // Qt's own options are no usage error.
        {{"-style", "fusion", "--version"}, 0, "korvane ", false, false},
        {{"-platform", "offscreen", "-h"}, 0, "[file]", false, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words{KORVANE_APP};
        const std::vector<std::string> noDisplay{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                                 "-u", "QT_QPA_PLATFORM"};
        if (!c.display) words.insert(words.begin(), noDisplay.begin(), noDisplay.end());
        words.insert(words.end(), c.arguments.begin(), c.arguments.end());
        const testsupport::ProcessResult result = testsupport::RunProcess(words);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments[0];
        EXPECT_NE(result.out.find(c.out), std::string::npos) << c.arguments[0];
        EXPECT_EQ(!result.err.empty(), c.errors) << c.arguments[0] << result.err;
    }
}
