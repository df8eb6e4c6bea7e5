// The window in English: this program runs with English as the user's first
// language (see KORVANE_UI_LANGUAGES in CMakeLists.txt), and no text the window,
// its dialogs or the viewer show may then be Japanese.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "WindowSupport.h"
#include "app/ExportOptionsBox.h"
#include "app/MainFrm.h"
#include "app/ModelPanel.h"
#include "app/RemoteConnection.h"
#include "app/WebAdrFrm.h"
#include "base/Stream.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "support/TempDir.h"
#include "support/Writer3DS.h"
#include "widgets/FnpNumericEdit.h"
#include "widgets/SpinEdit.h"

using app::TMainFrm;

namespace {

// Hiragana, katakana and CJK punctuation; katakana extensions; CJK ideographs
// (extension A, unified, compatibility); full-width forms and half-width katakana.
constexpr std::pair<char32_t, char32_t> kJapaneseRanges[] = {
    {0x3000, 0x30FF}, {0x31F0, 0x31FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}, {0xFF00, 0xFFEF}};

bool HasJapanese(const QString& text) {
    for (char32_t c : text.toUcs4()) {
        for (const auto& [first, last] : kJapaneseRanges) {
            if (c >= first && c <= last) return true;
        }
    }
    return false;
}

// Every text root and its descendants show or give to a screen reader; the tree's
// items are the model's own names and are left out.
QStringList TextsOf(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    QStringList texts;
    for (QWidget* widget : widgets) {
        texts << widget->windowTitle() << widget->toolTip() << widget->accessibleName()
              << widget->accessibleDescription();
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget)) texts << group->title();
        if (auto* menu = qobject_cast<QMenu*>(widget)) texts << menu->title();
        if (auto* dialog = qobject_cast<QFileDialog*>(widget)) texts << dialog->nameFilters();
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i) << tabs->tabToolTip(i);
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        }
        if (auto* grid = qobject_cast<QTableWidget*>(widget)) {
            for (int column = 0; column < grid->columnCount(); ++column) {
                if (QTableWidgetItem* header = grid->horizontalHeaderItem(column)) texts << header->text();
                for (int row = 0; row < grid->rowCount(); ++row) {
                    if (QTableWidgetItem* cell = grid->item(row, column)) texts << cell->text();
                }
            }
        }
        for (QAction* action : widget->actions()) texts << action->text() << action->toolTip() << action->statusTip();
    }
    return texts;
}

// The texts among texts that hold a Japanese character, for the failure message.
QStringList Japanese(const QStringList& texts) {
    QStringList found;
    for (const QString& text : texts) {
        if (HasJapanese(text)) found << text;
    }
    return found;
}

// One mesh and one material, all named in ASCII: the captions they give stay English.
std::vector<std::uint8_t> AsciiModel() {
    testsupport::MeshSpec box{.name = "Box",
                              .vertices = {{0, -1, 0}, {1, -1, 0}, {1, 1, 0.5f}, {0, 1, 0}},
                              .faces = {{0, 1, 2}, {0, 2, 3}},
                              .texCoords = {{0, 0}, {1, 0}, {1, 1}},
                              .groups = {{"Red", {0, 1}}}};
    testsupport::MaterialSpec red{.name = "Red",
                                  .diffuse = testsupport::Rgb{255, 128, 0},
                                  .specular = testsupport::Rgb{0, 0, 255},
                                  .selfIllum = 35};
    return testsupport::BuildModel({box}, {red});
}

class EnglishWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string model = dir_.File("model.3ds");
        const std::vector<std::uint8_t> bytes = AsciiModel();
        base::WriteFileAtomically(model, bytes.data(), bytes.size());
        window_ = std::make_unique<TMainFrm>(dir_.File("RecentFile.Mru"));
        window_->show();
        EXPECT_TRUE(windowtest::AnswerMessageBoxes([&] { window_->OpenGivenFile(model); }).empty());
        window_->UpdateCommandStates();
    }

    testsupport::TempDir dir_;
    std::unique_ptr<TMainFrm> window_;
};

}  // namespace

// After a model is opened, a mesh and then its material chosen, the viewer shown,
// a folder listed, the status bar written by each event of the clients, and in
// the About box.
TEST_F(EnglishWindow, NoTextIsJapanese) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    QStringList texts = TextsOf(&w);
    ui.ModelPanel->TreeView()->setCurrentItem(ui.ModelPanel->TreeView()->topLevelItem(0));
    texts << TextsOf(&w);
    EXPECT_FALSE(ui.ModelPanel->VertexCount()->text().isEmpty());
    ui.ModelPanel->TreeView()->setCurrentItem(ui.ModelPanel->TreeView()->topLevelItem(0)->child(0));
    texts << TextsOf(&w);
    EXPECT_FALSE(ui.ModelPanel->DiffuseColorRGB()->text().isEmpty());
    ui.ModelPanel->TreeView()->setCurrentItem(ui.ModelPanel->TreeView()->topLevelItem(0));
    ui.sDraw3D->trigger();
    ASSERT_FALSE(ui.CurrentViewer.isNull());
    texts << TextsOf(ui.CurrentViewer);
    ui.CurrentViewer->close();

    ui.Panel1->Remote().FtpClient().OnListItem("drwxr-xr-x   2 user group     4096 Dec  7 08:10 models");
    ui.Panel1->Remote().FtpClient().OnListItem("-rw-r--r--   1 user group      100 Jan 15  1999 notes");
    texts << TextsOf(&w);
    EXPECT_FALSE(ui.StatusPanels[0]->text().isEmpty());
    net::THttpClient& http = ui.Panel1->Remote().HttpClient();
    bool handled = false;
    const std::function<void()> events[] = {
        [&] { http.OnSuccess(0); },          [&] { http.OnFailure(0); },
        [&] { http.OnInvalidHost(handled); }, [&] { http.OnConnectionFailed(); },
        [&] { http.OnDisconnect(); },        [&] { http.OnPacketRecvd(); },
        [&] { ui.Panel1->Remote().FtpClient().OnConnect(); },   [&] { ui.Panel1->Remote().FtpClient().OnConnectionFailed(); },
        [&] { ui.Panel1->Remote().FtpClient().OnInvalidHost(handled); },
    };
    for (const auto& event : events) {
        event();
        texts << ui.StatusPanels[1]->text();
    }
    for (const QString& box : windowtest::AnswerMessageBoxes([&] { ui.Panel1->ChangeRemoteFolder("models"); })) texts << box;
    const auto about = windowtest::AnswerMessageBoxes([&] { ui.hAbout->trigger(); });
    ASSERT_EQ(about.size(), 1u);
    EXPECT_TRUE(about.front().contains(QStringLiteral("Licence: "))) << about.front().toStdString();
    texts << about.front();
    EXPECT_EQ(Japanese(texts), QStringList());
}

TEST_F(EnglishWindow, NumberFieldMenuIsEnglish) {
    widgets::TFnpNumericEdit& field = *window_->Controls().WebAdrFrm->PortNo;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) texts << action->text();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), field.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&field, &event);
    EXPECT_EQ(texts.size(), 6);
    EXPECT_EQ(Japanese(texts), QStringList());
}

// The English captions are longer than the Japanese: none may run into the
// control it names or past its box, and a value label holds its text whole.
TEST_F(EnglishWindow, TextsFitTheirPlaces) {
    TMainFrm& w = *window_;
    const app::TMainFrmControls& ui = w.Controls();
    ui.ModelPanel->TreeView()->setCurrentItem(ui.ModelPanel->TreeView()->topLevelItem(0));
    // The controls the forms place, not the parts Qt builds them of.
    QList<QWidget*> widgets;
    const QWidget* forms[] = {ui.ModelPanel, ui.ModelPanel->MeshBox(), ui.ExportOptions, ui.ModelPanel->MaterialBox(), ui.WebAdrFrm};
    for (const QWidget* form : forms) {
        widgets << form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    }
    for (QWidget* widget : widgets) {
        if (!widget->isVisibleTo(widget->window()) || widget == ui.ExportOptions->SetIndipendentVertex() ||
            widget == ui.ExportOptions->CombineMesh()) {
            continue;
        }
        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
            << widget->metaObject()->className() << " in " << widget->parentWidget()->metaObject()->className();
        auto* label = qobject_cast<QLabel*>(widget);
        if (!label || label->wordWrap()) continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
            << label->text().toStdString();
        QWidget* buddy = label->buddy();
        // The opacity field sits inside its caption's blanks on purpose.
        if (buddy && buddy != ui.ModelPanel->SpecularCo() && buddy->geometry().top() < label->geometry().bottom()) {
            EXPECT_LE(label->geometry().right(), buddy->geometry().left()) << label->text().toStdString();
        }
    }
    const QAbstractButton* leftColumn[] = {ui.ExportOptions->SelectAllMesh(), ui.ExportOptions->SaveMaterial(),
                                           ui.ExportOptions->SetTranse()};
    for (const QAbstractButton* left : leftColumn) {
        EXPECT_LT(left->geometry().right(), ui.ExportOptions->EncodeZeroCenter()->geometry().left())
            << left->text().toStdString();
    }
}
