#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <sys/stat.h>

#include <filesystem>

#include "SampleModels.h"
#include "WindowSupport.h"
#include "app/ColorSwatch.h"
#include "app/ExportOptionsBox.h"
#include "app/FileDialogs.h"
#include "app/RecentFilesMenu.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "app/RemoteConnection.h"
#include "base/Stream.h"
#include "model3ds/Pack3DA.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "viewer/Draw3DFrm.h"
#include "viewer/MeshBuilder.h"
#include "widgets/SpinEdit.h"

using app::TMainFrm;
using windowtest::AnswerMessageBoxes;

namespace {

const QString kCaption = QString::fromUtf8("Korvane Ver2.2 ( URL 対応版 ) ");

using testsupport::ReadFile;
using testsupport::SaveFile;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        sample_ = dir_.File("sample.3ds");
        SaveFile(sample_, apptest::SampleModel());
        const std::vector<std::uint8_t> model = apptest::SampleModel();
        SaveFile(dir_.File("SAMPLE.3DA"), model3ds::Pack3DA(model.data(), model.size()));
        window_ = std::make_unique<TMainFrm>(dir_.File("RecentFile.Mru"));
        window_->show();
    }

    void Open(const std::string& path) {
        EXPECT_TRUE(AnswerMessageBoxes([&] { window_->OpenGivenFile(path); }).empty()) << path;
        window_->UpdateCommandStates();
    }

    // The top-level node at position top, or its child at position child.
    void Select(int top, int child = -1) {
        QTreeWidgetItem* node = window_->Controls().ModelPanel->TreeView()->topLevelItem(top);
        window_->Controls().ModelPanel->TreeView()->setCurrentItem(child < 0 ? node : node->child(child));
    }

    // A model the reader refuses with an error of its own: an invalid chunk structure.
    static void SaveDamagedModel(const std::string& path) {
        testsupport::Writer3DS damaged;
        damaged.Begin(0x4D4D);
        damaged.Header(0x3D3D, 3);
        damaged.End();
        damaged.SaveToFile(path);
    }

    testsupport::ProcessResult Convert(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), KORVANE_CONVERT);
        return testsupport::RunProcess(arguments);
    }

    testsupport::TempDir dir_;
    std::string sample_;
    std::unique_ptr<TMainFrm> window_;
};

}  // namespace

TEST_F(MainWindow, StartsEmptyWithItsControlsAsLaidOut) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_EQ(w.windowTitle(), kCaption);
    EXPECT_EQ(QApplication::applicationDisplayName(), "Velquor Version 2.1");
    EXPECT_EQ(w.size(), QSize(802, 578));
    EXPECT_EQ(QFontInfo(ui.ModelPanel->VertexCount()->font()).pixelSize(), 12);
    if (QFontDatabase::hasFamily(QStringLiteral("IPAPGothic"))) {
        EXPECT_EQ(QFontInfo(ui.ModelPanel->VertexCount()->font()).family(), "IPAPGothic");
    }
    EXPECT_EQ(ui.Panel1->Remote().Session().Settings().HttpFolder, "ximg");
    EXPECT_EQ(ui.Panel1->Remote().Session().Settings().TimeOut, 60000);
    const std::pair<QToolButton*, const char*> buttons[] = {
        {ui.bOpen, "ファイルを開く"},      {ui.bClose, "ファイルを閉じる"},
        {ui.bSave, "3DXファイルを保存"},   {ui.bViewer, "オブジェクトの表示"},
        {ui.bDisConnect, "Webサーバの接続を切る"}, {ui.bUpFolder, "前のフォルダに戻る"}};
    for (const auto& [button, hint] : buttons) {
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(hint));
        EXPECT_EQ(button->accessibleName(), QString::fromUtf8(hint));
    }
    EXPECT_EQ(ui.bOpen->menu(), ui.MruPopupMenu);
    const std::pair<QAction*, const char*> items[] = {
        {ui.tFile, "ﾌｧｲﾙ(&F)"}, {ui.fOpen3DS, ".3dsﾌｧｲﾙを開く"}, {ui.fCloseFile, "ﾌｧｲﾙを閉じる"},
        {ui.fSaveAsX, ".3dsﾃﾞｰﾀを .Xﾌｧｲﾙとして保存する"}, {ui.fSaveXAsText, "ﾃｷｽﾄ形式"},
        {ui.fSaveXAsBinally, "ﾊﾞｲﾅﾘ形式"}, {ui.fQuit, "終了"}, {ui.tShow, "表示(&V)"},
        {ui.sDraw3D, "選択メッシュの表示"}, {ui.tFind, "検索(&S)"}, {ui.fndWeb, "Webサーバのリスト"}};
    for (const auto& [item, caption] : items) EXPECT_EQ(item->text(), QString::fromUtf8(caption));
    // Fields without text of their own are named by their captions.
    EXPECT_EQ(ui.ModelPanel->RefrectCo()->accessibleName(), QString::fromUtf8("反射係数の設定"));
    EXPECT_TRUE(ui.ModelPanel->SpecularCo()->accessibleName().startsWith(QString::fromUtf8("透明度の設定")));
    EXPECT_EQ(ui.ModelPanel->DiffuseColor()->accessibleName(), QString::fromUtf8("放射色"));
    EXPECT_FALSE(ui.Panel1->WebListGrig()->isEnabled());
    EXPECT_EQ(ui.Panel1->WebListGrig()->rowCount() + 1, 5);
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(ui.Panel1->WebListGrig()->columnWidth(column), (std::array{155, 150, 247, 228})[column]);
    }
    EXPECT_EQ(ui.StatusPanels[0]->width(), 400);
    EXPECT_GE(ui.StatusPanels[1]->width(), 150);
    // Every control lies whole inside its parent.
    for (QWidget* child : ui.ModelPanel->findChildren<QWidget*>()) {
        if (child == ui.ExportOptions->SetIndipendentVertex() || child == ui.ExportOptions->CombineMesh() || !child->isVisible()) continue;
        EXPECT_TRUE(child->parentWidget()->rect().contains(child->geometry())) << child->metaObject()->className();
    }
    // The caption at start is the one an opened file's name is put before. Each
    // open, plain or packed, starts with empty panels, as a download does.
    for (const char* name : {"sample.3ds", "SAMPLE.3DA", "sample.3ds"}) {
        SCOPED_TRACE(name);
        Open(dir_.File(name));
        EXPECT_EQ(w.windowTitle(), QString::fromUtf8(name) + " - " + kCaption);
        EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
        EXPECT_EQ(ui.ModelPanel->VertexCount()->text(), "");
        EXPECT_EQ(ui.ModelPanel->DiffuseColorRGB()->text(), "");
        Select(0, 0);
        EXPECT_EQ(ui.ModelPanel->DiffuseColorRGB()->text(), "R: 255; G: 128; B: 0");
    }
    // Closing empties the browser but keeps the caption.
    ui.fCloseFile->trigger();
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
    for (QLabel* label : {ui.ModelPanel->MeshCount(), ui.ModelPanel->VertexCount(), ui.ModelPanel->MaxCoord(),
                          ui.ModelPanel->DiffuseColorRGB(), ui.ModelPanel->SelfIlluminate()}) {
        EXPECT_TRUE(label->text().isEmpty());
    }
    EXPECT_EQ(ui.ModelPanel->DiffuseColor()->Color(), 0xFFFFFFu);
    EXPECT_EQ(w.windowTitle(), "sample.3ds - " + kCaption);
}

TEST_F(MainWindow, CommandsFollowModelSelectionAndViewer) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    struct Step {
        const char* name;
        std::function<void()> action;
        bool open, close, save, view;
    };
    const Step steps[] = {
        {"start", [] {}, true, false, false, false},
        {"open", [&] { Open(sample_); }, false, true, false, false},
        {"mesh", [&] { Select(0); }, false, true, true, true},
        {"material", [&] { Select(0, 1); }, false, true, true, true},
        {"viewer", [&] { ui.bViewer->click(); }, false, true, true, false},
        {"second view", [&] {
             QWidget* first = ui.CurrentViewer;
             ui.sDraw3D->trigger();
             EXPECT_EQ(ui.CurrentViewer, first);
             EXPECT_EQ(first->windowTitle(), QString::fromUtf8("箱"));
         }, false, true, true, false},
        {"viewer closed", [&] { ui.CurrentViewer->close(); }, false, true, true, true},
        {"close", [&] { ui.bClose->click(); }, true, false, false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        QTest::qWait(10);
        EXPECT_EQ(ui.bOpen->isEnabled(), step.open);
        EXPECT_EQ(ui.bClose->isEnabled(), step.close);
        EXPECT_EQ(ui.bSave->isEnabled(), step.save);
        EXPECT_EQ(ui.bViewer->isEnabled(), step.view);
        emit ui.MainMenuFile->aboutToShow();
        emit ui.MainMenuShow->aboutToShow();
        EXPECT_EQ(ui.fOpen3DS->isEnabled(), step.open);
        EXPECT_EQ(ui.fCloseFile->isEnabled(), step.close);
        EXPECT_EQ(ui.fSaveAsX->isEnabled() && ui.fSaveXAsText->isEnabled() && ui.fSaveXAsBinally->isEnabled(),
                  step.save);
        EXPECT_EQ(ui.sDraw3D->isEnabled(), step.view);
        EXPECT_FALSE(ui.bDisConnect->isEnabled() || ui.bUpFolder->isEnabled());
    }
    EXPECT_TRUE(ui.CurrentViewer.isNull());
}

TEST_F(MainWindow, FailedOpensAreReportedAndTheProgramGoesOn) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    SaveFile(dir_.File("materials.3ds"), testsupport::BuildModel({}, {{.name = "Only"}}));
    SaveFile(dir_.File("nothing.3da"), {0x53, 0x48, 0x01, 0x20, 0xFF});
    SaveDamagedModel(dir_.File("damaged.3ds"));
    struct Case {
        std::string path;
        QString message;
    };
    const Case cases[] = {
        {dir_.File("materials.3ds"), QString::fromStdString("READ ERROR : " + dir_.File("materials.3ds"))},
        {dir_.File("nothing.3da"), QString::fromStdString("READ ERROR : " + dir_.File("nothing.3da"))},
        // Errors of the reader leave the command and reach the application's report.
        {dir_.File("damaged.3ds"), "An invalid Chunk structure was encountered while reading\n"
                                   "the database. Usually caused by a corrupt database or file."},
        {dir_.File("missing.3ds"), QString::fromUtf8("ファイル %1 は開けません").arg(dir_.File("missing.3ds").c_str())},
        // Only regular files are read: a FIFO would wait for a writer for ever.
        {dir_.File("folder.3ds"), QString::fromUtf8("ファイル %1 は開けません").arg(dir_.File("folder.3ds").c_str())},
        {dir_.File("fifo.3ds"), QString::fromUtf8("ファイル %1 は開けません").arg(dir_.File("fifo.3ds").c_str())},
    };
    std::filesystem::create_directory(dir_.File("folder.3ds"));
    ASSERT_EQ(::mkfifo(dir_.File("fifo.3ds").c_str(), 0600), 0);
    for (const Case& c : cases) {
        const windowtest::ModalAnswers answers = windowtest::RunAnswering([&] { QTimer::singleShot(0, [&] { w.OpenGivenFile(c.path); }); });
        EXPECT_EQ(answers.boxTexts, std::vector<QString>{c.message});
        // "READ ERROR" is a plain box; the reader's and the stream's errors are error boxes.
        EXPECT_EQ(answers.boxPlain, std::vector<bool>{c.message.startsWith("READ ERROR")}) << c.path;
        EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
        EXPECT_EQ(w.windowTitle(), kCaption);
    }
    EXPECT_TRUE(ui.Document.RecentFiles.Entries.empty());
    Open(sample_);
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
}

TEST_F(MainWindow, SavedFilesMatchTheConverter) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    Open(sample_);
    struct Case {
        bool binary, merged;
        QRadioButton* origin;
        bool materials, opacity;
        std::vector<std::string> arguments;
    };
    // The options' every request and form are compared in the document's tests; here
    // the window's parts reach the file: the options, the selected mesh, the edits.
    const Case cases[] = {
        {true, false, ui.ExportOptions->EncodeZeroLeft(), true, true, {"-b", "--origin", "min"}},
        {false, false, ui.ExportOptions->NotEncode(), false, false, {"--origin", "keep", "--no-materials",
                                                                     "--ignore-opacity"}},
        {true, true, ui.ExportOptions->EncodeZeroCenter(), false, true, {"-b", "-m", "--no-materials"}},
    };
    // Edits made in the window reach every later export.
    Select(0, 0);
    ui.ModelPanel->SpecularCo()->lineEdit()->setText("40");
    ui.ModelPanel->RefrectCo()->lineEdit()->setText("30");
    const std::vector<std::string> edits = {"--opacity", "Red=40", "--power", "Red=30"};
    for (const Case& c : cases) {
        const std::string target = dir_.File("window.x");
        c.origin->setChecked(true);
        ui.ExportOptions->SelectAllMesh()->setChecked(c.merged);
        ui.ExportOptions->SaveMaterial()->setChecked(c.materials);
        ui.ExportOptions->SetTranse()->setChecked(c.opacity);
        w.SaveChosenFile(target, c.binary);
        std::vector<std::string> arguments = edits;
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        // The window writes the mesh selected; the converter without a choice, the whole model.
        if (!c.merged) arguments.insert(arguments.end(), {"--mesh", "0"});
        arguments.insert(arguments.end(), {"-o", dir_.File("convert.x"), sample_});
        const auto converted = Convert(arguments);
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        EXPECT_EQ(ReadFile(target), ReadFile(dir_.File("convert.x"))) << testing::PrintToString(c.arguments);
    }
}

// The converter's extras, ticked in the window, give the converter's bytes; with
// texture names the viewer draws the textures of the model's folder.
TEST_F(MainWindow, ExportExtrasMatchTheConverter) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    testsupport::MeshSpec quad{.name = "Quad",
                               .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                               .faces = {{0, 1, 2}, {0, 2, 3}},
                               .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                               .groups = {{"Wood", {0, 1}}},
                               .smoothing = {1, 1}};
    const std::string model = dir_.File("quad.3ds");
    SaveFile(model, testsupport::BuildModel({quad}, {{.name = "Wood", .textureFile = "WOOD.PNG"}}));
    Open(model);
    Select(0);
    const struct {
        bool texCoords, textureNames, normals, binary;
        std::vector<std::string> arguments;
        const char* marks;  // what the text form holds
    } cases[] = {
        {false, true, false, false, {"--textures"}, "TextureFilename"},
        {true, true, true, true, {"-b", "--texcoords", "--textures", "--normals"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ui.ExportOptions->SaveTextureCoords()->setChecked(c.texCoords);
        ui.ExportOptions->SaveTextureNames()->setChecked(c.textureNames);
        ui.ExportOptions->SaveNormals()->setChecked(c.normals);
        const std::string target = dir_.File("window.x");
        w.SaveChosenFile(target, c.binary);
        // The window writes the selected mesh; without --mesh the converter would merge them all.
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--mesh", "0", "-o", dir_.File("convert.x"), model});
        const auto converted = Convert(arguments);
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        EXPECT_EQ(ReadFile(target), ReadFile(dir_.File("convert.x")));
        EXPECT_NE(ReadFile(target).find(c.marks), std::string::npos);
    }
    // The viewer finds the textures in the model's folder only when their names are written.
    for (const bool names : {false, true}) {
        ui.ExportOptions->SaveTextureNames()->setChecked(names);
        ui.sDraw3D->trigger();
        ASSERT_FALSE(ui.CurrentViewer.isNull());
        EXPECT_EQ(ui.CurrentViewer->D3DrawX->MeshBuilder()->TextureFolder(), names ? dir_.Path().string() : "");
        ui.CurrentViewer->close();
        QTest::qWait(10);
    }
}

// With the hierarchy and the animation on, the window writes what the converter
// does and the viewer shows the saved scene.
TEST_F(MainWindow, SceneOptionsMatchTheConverter) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    // An arm that slides from x = 2 at frame 0 to its stored place at the current frame 10.
    const testsupport::MeshSpec arm{.name = "Arm",
                                    .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}},
                                    .faces = {{0, 1, 2}}};
    const testsupport::MeshSpec base{.name = "Base",
                                     .vertices = {{0, 0, -1}, {1, 0, -1}, {0, 1, -1}},
                                     .faces = {{0, 1, 2}}};
    testsupport::KeyframerSpec keyframer{.start = 0, .end = 10, .current = 10};
    keyframer.nodes.push_back({.id = 0, .name = "Base"});
    keyframer.nodes.push_back({.id = 1, .name = "Arm", .parent = 0});
    keyframer.nodes.back().position.keys = {{.frame = 0, .value = {2, 0, 0}}, {.frame = 10, .value = {0, 0, 0}}};
    const std::string model = dir_.File("crane.3ds");
    SaveFile(model, testsupport::BuildAnimatedModel({base, arm}, keyframer));
    Open(model);
    Select(1);

    const struct {
        bool hierarchy, animation, binary;
        std::vector<std::string> arguments;
        const char* marks;  // what the text form holds
    } cases[] = {
        {true, false, false, {"--hierarchy"}, "Frame Arm {"},
        {false, true, false, {"--animation"}, "AnimationSet crane {"},
        {true, true, true, {"-b", "--animation"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        ui.ExportOptions->SaveAnimation()->setChecked(false);
        ui.ExportOptions->SaveHierarchy()->setChecked(c.hierarchy);
        ui.ExportOptions->SaveAnimation()->setChecked(c.animation);
        // A new file each time: the dialog would ask before replacing one.
        const QString target = QString::fromStdString(dir_.File("window" + std::to_string(&c - cases) + ".x"));
        const auto answers =
            windowtest::RunAnswering([&] { (c.binary ? ui.fSaveXAsBinally : ui.fSaveXAsText)->trigger(); }, target);
        EXPECT_EQ(QFileInfo(answers.proposed).fileName(), "crane.x");
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"-o", dir_.File("convert.x"), model});
        const auto converted = Convert(arguments);
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        EXPECT_EQ(ReadFile(target.toStdString()), ReadFile(dir_.File("convert.x")));
        EXPECT_NE(ReadFile(target.toStdString()).find(c.marks), std::string::npos);
    }
    // The viewer shows the saved scene: the arm at frame 0, two units along x.
    const std::string saved = ReadFile(dir_.File("window2.x"));
    viewer::MeshBuilder expected;
    ASSERT_EQ(expected.Load(saved.data(), saved.size()), 0);
    EXPECT_FLOAT_EQ(expected.GetBox().max.x, 3);
    ui.sDraw3D->trigger();
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    EXPECT_EQ(ui.CurrentViewer->windowTitle(), "crane");
    // The viewer scales its model to its view, the same in every direction.
    const viewer::MeshBuilder& shown = *ui.CurrentViewer->D3DrawX->MeshBuilder();
    const float factor = shown.GetBox().max.x / expected.GetBox().max.x;
    expected.Scale(factor, factor, factor);
    ASSERT_EQ(shown.Positions().size(), expected.Positions().size());
    for (std::size_t i = 0; i < shown.Positions().size(); ++i) {
        const viewer::Vec3 a = shown.Positions()[i], b = expected.Positions()[i];
        EXPECT_NEAR(a.x, b.x, 1e-5f);
        EXPECT_NEAR(a.y, b.y, 1e-5f);
        EXPECT_NEAR(a.z, b.z, 1e-5f);
    }
    ui.CurrentViewer->close();
    QTest::qWait(10);
    // Off again, the output is today's.
    ui.ExportOptions->SaveAnimation()->setChecked(false);
    ui.ExportOptions->SaveHierarchy()->setChecked(false);
    EXPECT_EQ(QFileInfo(windowtest::RunAnswering([&] { ui.fSaveXAsText->trigger(); }, QString::fromStdString(dir_.File("arm.x"))).proposed).fileName(),
              "Arm.x");
    EXPECT_EQ(ReadFile(dir_.File("arm.x")).find("Frame"), std::string::npos);
}

TEST_F(MainWindow, SaveButtonProposesTheMeshNameAndWritesBinary) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    Open(sample_);
    Select(1);
    const QString target = QString::fromStdString(dir_.File("chosen.x"));
    // "立方体" has a vertex but no face: a file readers refuse is not written.
    const auto refused = windowtest::RunAnswering([&] { ui.bSave->click(); }, target);
    EXPECT_EQ(QFileInfo(refused.proposed).fileName(), QString::fromUtf8("立方体.x"));
    EXPECT_EQ(refused.boxTexts, std::vector<QString>{QString::fromUtf8("このメッシュには面がないため保存できません")});
    EXPECT_FALSE(QFileInfo::exists(target));
    Select(0);
    const auto answers = windowtest::RunAnswering([&] { ui.bSave->click(); }, target);
    EXPECT_TRUE(answers.boxTexts.empty());
    EXPECT_EQ(QFileInfo(answers.proposed).fileName(), QString::fromUtf8("箱.x"));
    EXPECT_EQ(ReadFile(target.toStdString()).substr(0, 16), "xof 0303bin 0032");
    // A material node proposes its mesh, also when all meshes are merged.
    Select(0, 1);
    ui.ExportOptions->SelectAllMesh()->click();
    const QString text = QString::fromStdString(dir_.File("text.x"));
    EXPECT_EQ(QFileInfo(windowtest::RunAnswering([&] { ui.fSaveXAsText->trigger(); }, text).proposed).fileName(),
              QString::fromUtf8("箱.x"));
    EXPECT_EQ(ReadFile(text.toStdString()).substr(0, 16), "xof 0303txt 0032");
}

TEST_F(MainWindow, RecentFilesAreKeptAcrossARestart) {
    const std::string list = dir_.File("RecentFile.Mru");
    std::vector<std::string> paths;
    for (int i = 0; i < 13; ++i) {
        paths.push_back(dir_.File("m" + std::to_string(i) + ".3ds"));
        SaveFile(paths.back(), apptest::SampleModel());
    }
    // Nine entries at start, the second of them gone by the time the drop-down opens.
    std::string text = paths[0] + "\r\n" + dir_.File("gone.3ds") + "\r\n\r\n";
    for (int i = 1; i < 7; ++i) text += paths[i] + "\r\n";
    base::WriteFileAtomically(list, text.data(), text.size());
    window_ = std::make_unique<TMainFrm>(list);
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_EQ(ui.Document.RecentFiles.Entries.size(), 9u);
    emit ui.MruPopupMenu->aboutToShow();
    ASSERT_EQ(ui.MruPopupMenu->actions().size(), 7);
    EXPECT_EQ(ui.MruPopupMenu->actions().at(1)->text().toStdString(), paths[1]);

    // Opening from the list, then new files, one of them again in other capitals.
    ui.MruPopupMenu->actions().at(2)->trigger();
    EXPECT_EQ(w.windowTitle(), "m2.3ds - " + kCaption);
    for (int i = 7; i < 13; ++i) {
        ui.fCloseFile->trigger();
        Open(paths[i]);
    }
    ui.fCloseFile->trigger();
    std::string upper = paths[12];
    upper.replace(upper.size() - 3, 3, "3DS");
    std::filesystem::copy_file(paths[12], upper);
    Open(upper);
    w.close();

    std::vector<std::string> expected(paths.begin() + 3, paths.end());
    TMainFrm restarted(list);
    EXPECT_EQ(restarted.Controls().Document.RecentFiles.Entries, expected);
    EXPECT_EQ(ReadFile(list).substr(0, paths[3].size() + 2), paths[3] + "\r\n");
}

// A list that is a folder or a FIFO is skipped: the window starts with an empty list.
TEST_F(MainWindow, UnusableRecentFilesListIsSkipped) {
    std::filesystem::create_directory(dir_.File("folder"));
    ASSERT_EQ(::mkfifo(dir_.File("fifo").c_str(), 0600), 0);
    for (const char* name : {"folder", "fifo"}) {
        TMainFrm w(dir_.File(name));
        const app::TMainFrmControls& ui = w.Controls();
        w.show();
        EXPECT_TRUE(ui.Document.RecentFiles.Entries.empty()) << name;
        EXPECT_EQ(w.windowTitle(), kCaption) << name;
    }
}

// An error raised in a handler connected to a signal is shown and ends there: the
// signal's sender returns normally.
TEST_F(MainWindow, ReaderErrorInAConnectedHandlerIsShown) {
    SaveDamagedModel(dir_.File("damaged.3ds"));
    const std::string list = dir_.File("damaged.3ds") + "\r\n";
    base::WriteFileAtomically(dir_.File("RecentFile.Mru"), list.data(), list.size());
    window_ = std::make_unique<TMainFrm>(dir_.File("RecentFile.Mru"));
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    emit ui.MruPopupMenu->aboutToShow();
    ASSERT_EQ(ui.MruPopupMenu->actions().size(), 1);
    const auto texts = AnswerMessageBoxes([&] { ui.MruPopupMenu->actions().at(0)->trigger(); });
    EXPECT_EQ(texts, std::vector<QString>{"An invalid Chunk structure was encountered while reading\n"
                                          "the database. Usually caused by a corrupt database or file."});
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
}

// The open command makes the open dialog when first used, as a dialog reads its
// folder when it is made; a model chosen there opens, and a .x file in a viewer as a given file does.
TEST_F(MainWindow, OpenCommandMakesTheOpenDialogAndOpensWhatIsChosen) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_EQ(ui.FileDialogs->OpenDialog(), nullptr);
    windowtest::RunAnswering([&] { ui.fOpen3DS->trigger(); }, QString::fromStdString(sample_));
    ASSERT_NE(ui.FileDialogs->OpenDialog(), nullptr);
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
    ui.fCloseFile->trigger();

    const std::string geometry = dir_.File("Chosen.X");
    SaveFile(geometry, apptest::FarTriangleX());
    windowtest::RunAnswering([&] { ui.fOpen3DS->trigger(); }, QString::fromStdString(geometry));
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    EXPECT_EQ(ui.CurrentViewer->windowTitle(), "Chosen.X");
    ui.CurrentViewer->close();
}

// The About box shows the version korvane --version prints, the licence and Qt's version.
TEST_F(MainWindow, AboutBoxShowsTheVersions) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_EQ(ui.tHelp->text(), QString::fromUtf8("ヘルプ(&H)"));
    EXPECT_EQ(ui.hAbout->text(), QString::fromUtf8("バージョン情報"));
    const auto version = testsupport::RunProcess({KORVANE_APP, "--version"});
    ASSERT_EQ(version.exitCode, 0);
    const QString number = QString::fromStdString(version.out).section(u' ', 1).trimmed();
    ASSERT_FALSE(number.isEmpty());
    const auto answers = windowtest::RunAnswering([&] { ui.hAbout->trigger(); });
    ASSERT_EQ(answers.boxTexts.size(), 1u);
    const QString text = answers.boxTexts.front();
    EXPECT_TRUE(text.contains("Korvane " + number)) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("ライセンス: ") + KORVANE_LICENSE)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Qt ") + qVersion())) << text.toStdString();
}

TEST_F(MainWindow, DroppedModelFileOpens) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(sample_))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 2);
    // With a model loaded, nothing more is taken.
    QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    again.setAccepted(false);
    QApplication::sendEvent(&w, &again);
    EXPECT_FALSE(again.isAccepted());
}

// A corner keeps its figures; it wraps between its numbers, each whole with its
// name on its line, and stays inside the mesh box, in a smaller font when its
// numbers are long (a file with vertices near 2e35).
TEST_F(MainWindow, LongCornerNumbersWrapInsideTheMeshBox) {
    const struct {
        const char* name;
        std::vector<testsupport::Vertex> vertices;
        bool shrinks;
    } cases[] = {
        {"ordinary", {{-5, -1, -5}, {5, 5, 1}, {0, 0, 0}}, false},
        {"huge", {{-2e35f, -1, -2e35f}, {2e35f, 2e35f, 1}, {0, 0, 0}}, true},
        // A short number between two long ones: the line breaker would part "Y:" from it.
        {"huge and short", {{2e35f, -1.5e35f, 3e35f}, {0, 10, 0}, {10, 0, 0}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::MeshSpec mesh{.name = "Truck"};
        mesh.vertices = c.vertices;
        mesh.faces = {{0, 1, 2}};
        const std::string path = dir_.File(std::string(c.name) + ".3ds");
        SaveFile(path, testsupport::BuildModel({mesh}));
        TMainFrm w(dir_.File("other.Mru"));
        const app::TMainFrmControls& ui = w.Controls();
        w.show();
        EXPECT_TRUE(AnswerMessageBoxes([&] { w.OpenGivenFile(path); }).empty());
        ui.ModelPanel->TreeView()->setCurrentItem(ui.ModelPanel->TreeView()->topLevelItem(0));
        for (QLabel* corner : {ui.ModelPanel->MaxCoord(), ui.ModelPanel->MinCoord()}) {
            const QStringList numbers = QString(corner->text()).replace(QChar::LineSeparator, u' ').split(' ');
            ASSERT_EQ(numbers.size(), 3) << corner->text().toStdString();
            EXPECT_TRUE(numbers[0].startsWith("X:") && numbers[0].endsWith(".000000"));
            const QFontMetrics metrics(corner->font());
            const QRect area = corner->contentsRect();
            QTextLayout layout(corner->text(), corner->font());
            QTextOption option;
            option.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(area.width());
                const QString text = corner->text().mid(line.textStart(), line.textLength()).trimmed();
                EXPECT_TRUE(numbers.contains(text.section(' ', 0, 0)) && numbers.contains(text.section(' ', -1)))
                    << text.toStdString();
                EXPECT_LE(line.naturalTextWidth(), area.width());
            }
            layout.endLayout();
            EXPECT_LE(metrics.boundingRect(area, Qt::TextWordWrap, corner->text()).height(), area.height());
            EXPECT_TRUE(ui.ModelPanel->MeshBox()->contentsRect().contains(corner->geometry()));
            EXPECT_EQ(QFontInfo(corner->font()).pixelSize() < QFontInfo(ui.ModelPanel->MeshBox()->font()).pixelSize() - 2, c.shrinks);
        }
    }
}

// The model's own name chosen in the glTF save dialog (Qt's overwrite question
// answered yes): the window refuses, in its language, and the model stays as it was.
TEST_F(MainWindow, GltfSaveRefusesTheModelsOwnFile) {
    TMainFrm& w = *window_;
    const std::string model = dir_.File("m.3ds");
    testsupport::MeshSpec triangle{.name = "T", .vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, .faces = {{0, 1, 2}}};
    SaveFile(model, testsupport::BuildModel({triangle}));
    const std::string before = ReadFile(model);
    Open(model);
    // Queued, as the dialog's answer arrives, so that the refusal is shown as any error of a command is.
    const std::vector<QString> texts = windowtest::AnswerMessageBoxes(
        [&] { QMetaObject::invokeMethod(&w, [&] { w.SaveGltfFile(model); }, Qt::QueuedConnection); });
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0],
              QString::fromUtf8("出力 ") + QString::fromStdString(model) +
                  QString::fromUtf8(" は読み込むファイルそのものです。何も書き込みませんでした"));
    EXPECT_EQ(ReadFile(model), before);
}

// The whole model as glTF, with the opacity typed in the window: the converter's
// files for the same edit, in both forms, and each missing texture named.
TEST_F(MainWindow, GltfSavesMatchTheConverter) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    EXPECT_EQ(ui.fSaveAsGltf->text(), QString::fromUtf8("glTF として保存..."));
    EXPECT_EQ(ui.fSaveAsGltf->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    int sameShortcut = 0;
    for (const QAction* action : w.findChildren<QAction*>()) sameShortcut += action->shortcut() == ui.fSaveAsGltf->shortcut();
    EXPECT_EQ(sameShortcut, 1);
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(ui.MainMenuFile);
    ASSERT_NE(menu, nullptr);
    QStringList names;
    for (int i = 0; i < menu->childCount(); ++i) names << menu->child(i)->text(QAccessible::Name);
    EXPECT_TRUE(names.contains(QString::fromUtf8("glTF として保存..."))) << names.join('|').toStdString();

    testsupport::MeshSpec quad{.name = "Quad",
                               .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                               .faces = {{0, 1, 2}, {0, 2, 3}},
                               .texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                               .groups = {{"Wood", {0}}, {"Red", {1}}},
                               .smoothing = {1, 1}};
    const std::string model = dir_.File("quad.3ds");
    SaveFile(model, testsupport::BuildModel({quad}, {{.name = "Wood", .transparency = 50, .textureFile = "WOOD.PNG"},
                                                     {.name = "Red", .diffuse = testsupport::Rgb{255, 0, 0},
                                                      .transparency = 30}}));
    emit ui.MainMenuFile->aboutToShow();
    EXPECT_FALSE(ui.fSaveAsGltf->isEnabled());
    Open(model);
    EXPECT_TRUE(ui.fSaveAsGltf->isEnabled());
    // Looking at a material is no edit: only Red's opacity is the user's.
    Select(0, 0);
    Select(0, 1);
    ui.ModelPanel->SpecularCo()->lineEdit()->setText("40");

    // The .gltf first, so that the second proposal names no file already there.
    for (const char* extension : {"gltf", "glb"}) {
        SCOPED_TRACE(extension);
        const std::string name = std::string("quad.") + extension;
        std::filesystem::create_directories(dir_.Path() / "window");
        const QString target = QString::fromStdString((dir_.Path() / "window" / name).string());
        const auto answers = windowtest::RunAnswering([&] { ui.fSaveAsGltf->trigger(); }, target);
        // The model's folder is proposed first; then the folder saved into, as for .x files.
        const std::filesystem::path folder = std::string(extension) == "gltf" ? dir_.Path() : dir_.Path() / "window";
        EXPECT_EQ(answers.proposed, QString::fromStdString((folder / "quad.glb").string()));
        EXPECT_EQ(answers.boxTexts,
                  std::vector<QString>{QString::fromUtf8("テクスチャ WOOD.PNG が見つかりません")});
        const std::string converted = (dir_.Path() / "convert" / name).string();
        std::filesystem::create_directories(dir_.Path() / "convert");
        const auto result = Convert({"--opacity", "Red=40", "-o", converted, model});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(ReadFile(target.toStdString()), ReadFile(converted));
        if (std::string(extension) == "gltf") {
            EXPECT_EQ(ReadFile(dir_.File("window/quad.bin")), ReadFile(dir_.File("convert/quad.bin")));
            EXPECT_FALSE(ReadFile(dir_.File("window/quad.bin")).empty());
        }
    }
}

// The window opens the glTF it writes, in both forms and every way a file
// arrives, as a .x: in a viewer, framed, its animation playable; a damaged one
// is named in a message and leaves no viewer.
TEST_F(MainWindow, WrittenGltfOpensInAViewer) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    const testsupport::MeshSpec arm{.name = "Arm", .vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, .faces = {{0, 1, 2}}};
    testsupport::KeyframerSpec keyframer{.start = 0, .end = 10};
    keyframer.nodes.push_back({.id = 0, .name = "Arm"});
    keyframer.nodes.back().position.keys = {{.frame = 0, .value = {2, 0, 0}}, {.frame = 10, .value = {0, 0, 0}}};
    const std::string model = dir_.File("arm.3ds");
    SaveFile(model, testsupport::BuildAnimatedModel({arm}, keyframer));
    const std::string still = dir_.File("still.3ds");
    SaveFile(still, testsupport::BuildModel({arm}));
    for (const auto& [source, output] : {std::pair{model, "arm.glb"}, {model, "ARM.GLTF"}, {still, "still.glb"}}) {
        ASSERT_EQ(Convert({"-o", dir_.File(output), source}).exitCode, 0) << output;
    }
    SaveFile(dir_.File("broken.glb"), std::vector<std::uint8_t>{'g', 'l', 'T', 'F', 2, 0, 0, 0, 12, 0, 0, 0});

    const struct {
        const char* file;
        bool animated;
    } cases[] = {{"arm.glb", true}, {"ARM.GLTF", true}, {"still.glb", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Open(dir_.File(c.file));
        ASSERT_FALSE(ui.CurrentViewer.isNull());
        ASSERT_NE(ui.CurrentViewer->D3DrawX->MeshBuilder(), nullptr);
        EXPECT_EQ(ui.CurrentViewer->windowTitle(), QString::fromUtf8(c.file));
        EXPECT_EQ(ui.CurrentViewer->pPlay->isEnabled(), c.animated);
        EXPECT_EQ(ui.ModelPanel->TreeView()->topLevelItemCount(), 0);
        ui.CurrentViewer->close();
    }

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_.File("arm.glb")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    ui.CurrentViewer->close();

    const std::vector<QString> texts = windowtest::AnswerMessageBoxes([&] { w.OpenGivenFile(dir_.File("broken.glb")); });
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].startsWith(QString::fromStdString(dir_.File("broken.glb")) + QString::fromUtf8(" を表示できません")))
        << texts[0].toStdString();
    EXPECT_TRUE(ui.CurrentViewer.isNull());
}
