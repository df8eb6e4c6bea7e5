#include "app/MainFrm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AboutBox.h"
#include "app/ColorSwatch.h"
#include "app/Commands.h"
#include "app/ExportOptionsBox.h"
#include "app/FileDialogs.h"
#include "app/RecentFilesMenu.h"
#include "DisplayText.h"
#include "Icons.h"
#include "app/RemoteConnection.h"
#include "app/WebAdrFrm.h"
#include "base/Format.h"
#include "base/Stream.h"
#include "base/Texts.h"
#include "model3ds/OpenModel.h"
#include "viewer/MeshBuilder.h"
#include "widgets/HandlerGuard.h"
#include "widgets/SpinEdit.h"

namespace app {

namespace {

// The window's designed geometry, also its smallest: an 810 x 605 frame around a
// client area of 802 x 578 that holds the menu bar, the tool bar, the page, the
// remote grid and the status bar. A larger window gives the grid the extra room.
constexpr int kClientWidth = 802;
constexpr int kClientHeight = 578;
constexpr int kToolBarHeight = 30;
constexpr int kPageHeight = 353;  // 20 more than designed, for the export options' fifth row
constexpr int kStatusBarHeight = 19;
constexpr int kToolButtonWidth = 31;

// A label at (x, y), as wide as its text or, for a value label, the width given.
QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, int width = 0) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    if (width > 0) label->resize(width, label->height());
    return label;
}

QWidget* ToolSeparator(int width) {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedSize(width, 22);
    return line;
}

}  // namespace

TMainFrm::TMainFrm(const std::string& recentFilePath, const std::string& settingsPath, QWidget* parent)
    : QMainWindow(parent), RecentFilePath(recentFilePath), SettingsPath(settingsPath) {
    setWindowTitle(tr("Korvane Ver2.2 ( URL 対応版 ) "));
    setWindowIcon(PageIcon());
    setAcceptDrops(true);
    CreateMenus();
    auto* client = new QWidget(this);
    setCentralWidget(client);
    CreateToolBar();
    CreatePage();
    CreateStatusBar();
    Panel1 = new TRemotePanel(StatusPanels, kClientWidth, client);
    Panel1->OnFileFetched = [this](TFetchedFile file) { OpenDownloadedFile(std::move(file)); };
    Panel1->OnStateChange = [this] { UpdateCommandStates(); };
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(ToolBar1);
    column->addWidget(ThePage);
    column->addWidget(Panel1, 1);
    CreateDialogs();
    ConnectHandlers();
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    FormCreate();
    WebAdrFrm = new TWebAdrFrm(*this);
    RestoreSettings();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::CreateMenus() {
    QMenuBar* bar = menuBar();
    MainMenuFile = bar->addMenu(tr("ﾌｧｲﾙ(&F)"));
    tFile = MainMenuFile->menuAction();
    fOpen3DS = MainMenuFile->addAction(tr(".3dsﾌｧｲﾙを開く"));
    fCloseFile = MainMenuFile->addAction(tr("ﾌｧｲﾙを閉じる"));
    MainMenuFile->addSeparator();
    QMenu* saveMenu = MainMenuFile->addMenu(tr(".3dsﾃﾞｰﾀを .Xﾌｧｲﾙとして保存する"));
    fSaveAsX = saveMenu->menuAction();
    fSaveXAsText = saveMenu->addAction(tr("ﾃｷｽﾄ形式"));
    fSaveXAsBinally = saveMenu->addAction(tr("ﾊﾞｲﾅﾘ形式"));
    fSaveAsGltf = MainMenuFile->addAction(tr("glTF として保存..."));
    MainMenuFile->addSeparator();
    fQuit = MainMenuFile->addAction(tr("終了"));
    MainMenuShow = bar->addMenu(tr("表示(&V)"));
    tShow = MainMenuShow->menuAction();
    sDraw3D = MainMenuShow->addAction(tr("選択メッシュの表示"));
    MainMenuFind = bar->addMenu(tr("検索(&S)"));
    tFind = MainMenuFind->menuAction();
    fndWeb = MainMenuFind->addAction(tr("Webサーバのリスト"));
    MainMenuHelp = bar->addMenu(tr("ヘルプ(&H)"));
    tHelp = MainMenuHelp->menuAction();
    hAbout = MainMenuHelp->addAction(tr("バージョン情報"));
    // A shortcut works exactly when its menu item is enabled, which follows its command.
    fOpen3DS->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    fCloseFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    fSaveXAsBinally->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    fSaveXAsText->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fSaveAsGltf->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    fQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void TMainFrm::CreateToolBar() {
    ToolBar1 = new QToolBar(centralWidget());
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->setContentsMargins(2, 0, 2, 0);
    const auto addButton = [this](int image, const char* hint) {
        auto* button = new QToolButton(ToolBar1);
        button->setIcon(ToolIcon(image));
        button->setAutoRaise(true);
        button->setToolTip(tr(hint));
        button->setAccessibleName(tr(hint));
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(kToolButtonWidth, 26);
        ToolBar1->addWidget(button);
        return button;
    };
    bOpen = addButton(0, QT_TR_NOOP("ファイルを開く"));
    MruPopupMenu = new TRecentFilesMenu(Document.RecentFiles, bOpen);
    bOpen->setMenu(MruPopupMenu);
    bOpen->setPopupMode(QToolButton::MenuButtonPopup);
    bOpen->setFixedWidth(kToolButtonWidth + 14);
    ToolBar1->addWidget(ToolSeparator(8));
    bClose = addButton(1, QT_TR_NOOP("ファイルを閉じる"));
    bSave = addButton(2, QT_TR_NOOP("3DXファイルを保存"));
    ToolBar1->addWidget(ToolSeparator(8));
    bViewer = addButton(3, QT_TR_NOOP("オブジェクトの表示"));
    ToolBar1->addWidget(ToolSeparator(18));
    bDisConnect = addButton(4, QT_TR_NOOP("Webサーバの接続を切る"));
    ToolBar1->addWidget(ToolSeparator(17));
    bUpFolder = addButton(5, QT_TR_NOOP("前のフォルダに戻る"));
}

void TMainFrm::CreatePage() {
    ThePage = new QTabWidget(centralWidget());
    ThePage->setFixedHeight(kPageHeight);
    ThePage->setIconSize(QSize(16, 16));
    ThePage->setStyleSheet(QStringLiteral("QTabBar::tab { height: 18px; }"));
    TabSheet1 = new QWidget;
    ThePage->addTab(TabSheet1, PageIcon(), tr("メッシュ マテリアル"));

    TreeView = new QTreeWidget(TabSheet1);
    TreeView->setGeometry(8, 11, 201, 195);
    TreeView->setHeaderHidden(true);
    TreeView->setIndentation(19);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setAccessibleName(tr("メッシュとマテリアル"));
    CreateMeshBox();
    ExportOptions = new TExportOptionsBox(TabSheet1);
    CreateMaterialBox();
}

void TMainFrm::CreateMeshBox() {
    MeshBox = new QGroupBox(tr("メッシュの情報"), TabSheet1);
    MeshBox->setGeometry(217, 5, 275, 205);
    const auto row = [this](const char* caption, int y) {
        QLabel* name = AddLabel(MeshBox, tr(caption), 14, y);
        QLabel* value = AddLabel(MeshBox, QString(), 120, y, 145);
        name->setBuddy(value);
        return value;
    };
    VertexCount = row(QT_TR_NOOP("頂点個数"), 22);
    FaceCount = row(QT_TR_NOOP("FACE個数"), 40);
    TextureCoords = row(QT_TR_NOOP("ﾃｸｽﾁｬ座標個数"), 58);
    MaterialCount = row(QT_TR_NOOP("ﾏﾃﾘｱﾙ使用数"), 76);
    MeshCount = row(QT_TR_NOOP("メッシュ個数"), 94);
    AddLabel(MeshBox, tr("頂点座標"), 14, 116);
    // A corner takes two lines when its numbers are long; it wraps between them.
    const auto corner = [this](const char* caption, int y) {
        QLabel* name = AddLabel(MeshBox, tr(caption), 14, y);
        auto* value = new QLabel(MeshBox);
        value->setGeometry(66, y, 202, 30);
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        name->setBuddy(value);
        return value;
    };
    MaxCoord = corner(QT_TR_NOOP("(最大値)"), 134);
    MinCoord = corner(QT_TR_NOOP("(最小値)"), 166);
}

void TMainFrm::CreateMaterialBox() {
    MaterialBox = new QGroupBox(tr("マテリアルの情報"), TabSheet1);
    MaterialBox->setGeometry(499, 5, 294, 294);
    const auto colourRow = [this](const char* caption, int y, const char* hint) {
        QLabel* name = AddLabel(MaterialBox, tr(caption), 12, y + 6);
        auto* swatch = new TColorSwatch(MaterialBox);
        swatch->setGeometry(96, y, 50, 26);
        swatch->setToolTip(tr(hint));
        swatch->setAccessibleName(name->text());
        swatch->setAccessibleDescription(tr(hint));
        name->setBuddy(swatch);
        return std::pair(name, swatch);
    };
    auto [ambientCaption, ambient] = colourRow(QT_TR_NOOP("アンビエント色"), 20, QT_TR_NOOP("設定できません"));
    ambientCaption->setStyleSheet(QStringLiteral("color: grey;"));
    AmbientColor = ambient;
    AmbientColor->setEnabled(false);
    AmbientColorRGB = AddLabel(MaterialBox, tr("現在考慮していません！"), 152, 26, 138);
    AmbientColorRGB->setStyleSheet(QStringLiteral("color: maroon;"));
    DiffuseColor = colourRow(QT_TR_NOOP("放射色"), 52, QT_TR_NOOP("クリックで変更")).second;
    DiffuseColorRGB = AddLabel(MaterialBox, QString(), 152, 58, 138);
    SpeculerColor = colourRow(QT_TR_NOOP("反射色"), 84, QT_TR_NOOP("クリックで変更")).second;
    SpeculerColorRGB = AddLabel(MaterialBox, QString(), 152, 90, 138);
    QLabel* brightness = AddLabel(MaterialBox, tr("色の明るさ"), 12, 120);
    SelfIlluminate = AddLabel(MaterialBox, QString(), 96, 120, 100);
    brightness->setBuddy(SelfIlluminate);

    auto* bevel = new QFrame(MaterialBox);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 142, 278, 4);
    QLabel* heading = AddLabel(MaterialBox, tr("マテリアル特性の設定"), 12, 152);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->adjustSize();

    // The opacity field sits in the gap of its caption's blanks.
    const QString opacityCaption = tr("透明度の設定                  % ( 100 % は不透明です )");
    QLabel* opacity = AddLabel(MaterialBox, opacityCaption, 16, 184);
    SpecularCo = new widgets::TSpinEdit(
        {.MinValue = model3ds::kMinOpacityPercent, .MaxValue = model3ds::kMaxOpacityPercent, .Increment = 5}, 100,
        MaterialBox);
    const int gapStart = opacity->fontMetrics().horizontalAdvance(tr("透明度の設定 "));
    const int gapWidth = opacity->fontMetrics().horizontalAdvance(QString(17, QLatin1Char(' ')));
    SpecularCo->setGeometry(16 + gapStart + (gapWidth - 51) / 2, 179, 51, 24);
    SpecularCo->setAccessibleName(opacityCaption.simplified());
    opacity->setBuddy(SpecularCo);

    QLabel* power = AddLabel(MaterialBox, tr("反射係数の設定"), 16, 226);
    RefrectCo = new widgets::TSpinEdit(
        {.MinValue = model3ds::kMinSpecularPower, .MaxValue = model3ds::kMaxSpecularPower, .Increment = 5}, 15,
        MaterialBox);
    RefrectCo->setGeometry(16 + power->width() + 12, 221, 51, 24);
    RefrectCo->setAccessibleName(power->text());
    power->setBuddy(RefrectCo);
    AddLabel(MaterialBox, tr("( 反射係数が大きくなるほど反射度は低下します )"), 10, 256);
}

void TMainFrm::CreateStatusBar() {
    StatusBar = statusBar();
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setFixedHeight(kStatusBarHeight);
    // The second panel reaches to the window's right edge. Both are named by
    // their text, as a label is, so a screen reader reads the state itself.
    for (int panel = 0; panel < 2; ++panel) {
        StatusPanels[panel] = new QLabel(StatusBar);
        StatusPanels[panel]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar->addWidget(StatusPanels[panel], panel);
    }
    StatusPanels[0]->setFixedWidth(400);
    StatusPanels[1]->setMinimumWidth(150);
}

void TMainFrm::CreateDialogs() {
    FileDialogs = new TFileDialogs(this);
    ColorDialog = new QColorDialog(this);
}

void TMainFrm::RestoreSettings() {
    Settings = LoadUserSettings(SettingsPath);
    WebAdrFrm->SetFields(Settings.Login);
    // A stored size may have come from a larger screen, or from a hand-edited file
    // whose size no drawing could allocate: the screen's room bounds it.
    if (Settings.WindowSize.isValid()) {
        resize(Settings.WindowSize.boundedTo(screen()->availableGeometry().size()).expandedTo(minimumSize()));
    }
}

void TMainFrm::SaveSettings() {
    Settings.WindowSize = isMaximized() && normalGeometry().isValid() ? normalGeometry().size() : size();
    SaveUserSettings(Settings, SettingsPath);
}

void TMainFrm::ConnectHandlers() {
    Commands = new TCommandSet(
        [this] {
            return TCommandInputs{.MeshCount = Document.MeshTotal(),
                                  .NodeSelected = TreeView->currentItem() != nullptr,
                                  .ViewerShown = Document.ViewerShown,
                                  .InRemoteFolder = !Panel1->Remote().Session().CurrentPath().empty(),
                                  .Connected = Panel1->Remote().Connected(),
                                  .NetworkBusy = NetworkBusy()};
        },
        this);
    // Closing also clears the remote grid; a disconnect closes whether a model is loaded or not.
    const auto closeModel = [this] {
        Document.Close();
        ResetDisplay(false);
    };
    const auto disconnect = [this, closeModel] {
        Panel1->Remote().Disconnect();
        closeModel();
    };
    const auto openModel = [this] {
        if (const std::optional<QString> chosen = FileDialogs->ChooseModel(Settings.OpenFolder)) {
            OpenGivenFile(QFile::encodeName(*chosen).toStdString());
        }
    };
    using S = TCommandStates;
    Commands->Bind({.Action = openModel, .State = &S::Open, .Items = {fOpen3DS}, .Buttons = {bOpen}});
    Commands->Bind({.Action = closeModel, .State = &S::Close, .Items = {fCloseFile}, .Buttons = {bClose}});
    Commands->Bind({.Action = [this] { SaveCommand(false); }, .State = &S::Save, .Items = {fSaveXAsText},
                    .Followers = {fSaveAsX}});
    Commands->Bind(
        {.Action = [this] { SaveCommand(true); }, .State = &S::Save, .Items = {fSaveXAsBinally}, .Buttons = {bSave}});
    Commands->Bind({.Action = [this] { SaveGltfCommand(); }, .State = &S::SaveGltf, .Items = {fSaveAsGltf}});
    Commands->Bind({.Action = [this] { close(); }, .Items = {fQuit}});
    Commands->Bind(
        {.Action = [this] { ViewSelectedMesh(); }, .State = &S::View, .Items = {sDraw3D}, .Buttons = {bViewer}});
    Commands->Bind({.Action = [this] { ListWebServer(); }, .Items = {fndWeb}});
    Commands->Bind({.Action = [this] { ShowAboutBox(*this); }, .WhileBusy = true, .Items = {hAbout}});
    Commands->Bind({.Action = [this] { Panel1->GoUpRemoteFolder(); }, .State = &S::UpFolder, .Buttons = {bUpFolder}});
    Commands->Bind({.Action = disconnect, .State = &S::DisConnect, .Buttons = {bDisConnect}});
    // A menu shows the states as they are when it opens.
    for (QMenu* menu : {MainMenuFile, MainMenuShow}) {
        connect(menu, &QMenu::aboutToShow, this, widgets::Guarded([this] { UpdateCommandStates(); }));
    }
    MruPopupMenu->OnOpen = [this](const std::string& path) {
        if (NetworkBusy()) return;
        OpenGivenFile(path);
        UpdateCommandStates();
    };
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            widgets::Guarded([this](QTreeWidgetItem* node) { TreeViewChange(node); }));
    for (TColorSwatch* swatch : {AmbientColor, DiffuseColor, SpeculerColor}) {
        swatch->OnClick = widgets::Guarded([this, swatch] { OnColor(swatch); });
    }
    SpecularCo->OnChange = widgets::Guarded([this] { OnMaterialSet(SpecularCo); });
    RefrectCo->OnChange = widgets::Guarded([this] { OnMaterialSet(RefrectCo); });
}

void TMainFrm::FormCreate() {
    ResetDisplay(false);
    try {
        Document.RecentFiles = LoadRecentFiles(RecentFilePath);
    } catch (const base::Exception& error) {
        // The window starts without the list rather than not at all.
        qWarning("warning: %s; the list of recent files starts empty", error.what());
    }
    BaseCaption = windowTitle();
    ResetDisplay(false);
    UpdateCommandStates();
}

// A close during a network command ends that command first; the window closes
// once it has returned.
void TMainFrm::closeEvent(QCloseEvent* event) {
    if (Panel1->DeferClose()) {
        event->ignore();
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

void TMainFrm::FormClose() {
    // A server that refuses the logout cannot keep the window open or cost the
    // recent-files list; the session ends with the program either way.
    try {
        Panel1->Remote().Disconnect();
    } catch (const base::Exception& error) {
        qWarning("%s", error.what());
    }
    Document.Close();
    Document.RecentFiles.Trim();
    try {
        SaveSettings();
    } catch (const base::Exception& error) {
        qWarning("%s", error.what());
    }
    try {
        SaveRecentFiles(Document.RecentFiles, RecentFilePath);
    } catch (const base::Exception& error) {
        // The window is going away; there is no one left to ask, so it is reported where a log is kept.
        qWarning("%s", error.what());
    }
}

void TMainFrm::UpdateCommandStates() { Commands->Update(); }

void TMainFrm::ResetDisplay(bool keepRemoteList) {
    for (QLabel* label : {VertexCount, TextureCoords, FaceCount, MaterialCount, MaxCoord, MinCoord, MeshCount,
                          DiffuseColorRGB, SpeculerColorRGB, SelfIlluminate}) {
        label->clear();
    }
    TreeView->clear();
    for (TColorSwatch* swatch : {AmbientColor, DiffuseColor, SpeculerColor}) swatch->SetColor(0xFFFFFF);
    SpecularCo->SetValue(100);
    RefrectCo->SetValue(15);
    if (!keepRemoteList) Panel1->ClearList();
}

QTreeWidgetItem* TMainFrm::SelectedMeshNode(int& meshIndex) const {
    meshIndex = -1;
    QTreeWidgetItem* node = TreeView->currentItem();
    if (!node) return nullptr;
    if (node->parent()) node = node->parent();
    meshIndex = node->data(0, Qt::UserRole).toInt();
    return node;
}

void TMainFrm::ViewerClosed() {
    Document.ViewerShown = false;
    UpdateCommandStates();
}

void TMainFrm::OpenGivenFile(const std::string& path) { ShowOpened(Document.OpenPath(path)); }

void TMainFrm::ShowOpened(TOpened opened) {
    if (opened.Show == TOpened::TShow::Nothing) return;
    // The panels still show the model that was there before.
    ResetDisplay(true);
    // A file's name as the system names it; an address, or a name from a listing, as model names are shown.
    const auto shown = [&opened](const std::string& name) {
        return opened.FromDisk ? QFile::decodeName(QByteArray::fromStdString(name)) : DisplayText(name);
    };
    if (opened.Show == TOpened::TShow::Model) {
        BuildModelTree();
        MeshCount->setText(DisplayText(base::Format(qUtf8Printable(tr("%d 個")), Document.MeshTotal())));
        if (opened.FromDisk) Settings.OpenFolder = shown(Document.ModelFolder());
        setWindowTitle(shown(Document.CurrentFileName()) + " - " + BaseCaption);
        UpdateCommandStates();
        return;
    }
    base::MemoryStream geometry(std::move(opened.ViewerBytes));
    OpenViewer(geometry, opened.ViewerCaption.empty() ? QString() : shown(opened.ViewerCaption), opened.ViewerFileName);
    UpdateCommandStates();
    if (!opened.FromDisk) return;
    viewer::MeshBuilder* meshes = CurrentViewer->D3DrawX->MeshBuilder();
    if (!meshes) {
        CurrentViewer->close();
        throw model3ds::EReadModelError(opened.ViewerFileName, base::kNoDirectXMesh);
    }
    meshes->SetModelFile(opened.ViewerFileName);
    // A file's own coordinates may lie anywhere: it starts framed, as Home shows it.
    CurrentViewer->ShowWholeModel();
}

void TMainFrm::ListWebServer() {
    TRemoteConnection& remote = Panel1->Remote();
    if (!remote.Connected()) {
        if (WebAdrFrm->exec() != QDialog::Accepted) return;
        remote.Session().SetSettings(*WebAdrFrm->Settings());
        Settings.Login = WebAdrFrm->Fields();
    }
    remote.ListFolder();
}

bool TMainFrm::NetworkBusy() const { return Panel1->Busy(); }

void TMainFrm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (NetworkBusy()) return;
    if (!(urls.size() == 1 && urls.front().isLocalFile())) return;
    // The window opens every kind of model but glTF, which only korvane-render draws.
    const model3ds::TFileKind kind =
        model3ds::FileKindByName(QFile::encodeName(urls.front().toLocalFile()).toStdString());
    if (bOpen->isEnabled() && kind != model3ds::TFileKind::Unknown && kind != model3ds::TFileKind::Gltf) {
        event->acceptProposedAction();
    }
}

void TMainFrm::dropEvent(QDropEvent* event) {
    const QString path = event->mimeData()->urls().value(0).toLocalFile();
    event->acceptProposedAction();
    OpenGivenFile(QFile::encodeName(path).toStdString());
    UpdateCommandStates();
}

}  // namespace app
