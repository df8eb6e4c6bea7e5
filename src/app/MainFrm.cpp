#include "app/MainFrm.h"

#include <QApplication>
#include <QCloseEvent>
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
#include <QVBoxLayout>

#include "AboutBox.h"
#include "app/Commands.h"
#include "app/ExportOptionsBox.h"
#include "app/FileDialogs.h"
#include "app/ModelPanel.h"
#include "app/RecentFilesMenu.h"
#include "DisplayText.h"
#include "Icons.h"
#include "app/RemoteConnection.h"
#include "app/WebAdrFrm.h"
#include "base/Stream.h"
#include "base/Texts.h"
#include "model3ds/OpenModel.h"
#include "viewer/MeshBuilder.h"
#include "widgets/HandlerGuard.h"

namespace app {

namespace {

// The window's designed geometry, also its smallest: an 810 x 605 frame around a
// client area of 802 x 578 that holds the menu bar, the tool bar, the page, the
// remote grid and the status bar. A larger window gives the grid the extra room.
constexpr int kClientWidth = 802;
constexpr int kClientHeight = 578;
constexpr int kToolBarHeight = 30;
constexpr int kPageHeight = 377;  // 44 more than designed, for the export options' fifth and sixth rows
constexpr int kStatusBarHeight = 19;
constexpr int kToolButtonWidth = 31;

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
    ThePage = new QTabWidget(client);
    ThePage->setFixedHeight(kPageHeight);
    ThePage->setIconSize(QSize(16, 16));
    ThePage->setStyleSheet(QStringLiteral("QTabBar::tab { height: 18px; }"));
    ExportOptions = new TExportOptionsBox(nullptr);
    ModelPanel = new TModelPanel(Document, ExportOptions);
    ThePage->addTab(ModelPanel, PageIcon(), tr("メッシュ マテリアル"));
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
    FileDialogs = new TFileDialogs(this);
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

void TMainFrm::RestoreSettings() {
    Settings = LoadUserSettings(SettingsPath);
    WebAdrFrm->SetFields(Settings.Login);
    ExportOptions->SetTextureFolders(Settings.TextureFolders);
    // A stored size may have come from a larger screen, or from a hand-edited file
    // whose size no drawing could allocate: the screen's room bounds it.
    if (Settings.WindowSize.isValid()) {
        resize(Settings.WindowSize.boundedTo(screen()->availableGeometry().size()).expandedTo(minimumSize()));
    }
}

void TMainFrm::SaveSettings() {
    Settings.WindowSize = isMaximized() && normalGeometry().isValid() ? normalGeometry().size() : size();
    Settings.TextureFolders = ExportOptions->TextureFolderList();
    SaveUserSettings(Settings, SettingsPath);
}

void TMainFrm::ConnectHandlers() {
    Commands = new TCommandSet(
        [this] {
            return TCommandInputs{.MeshCount = Document.MeshTotal(),
                                  .NodeSelected = ModelPanel->SelectedMesh() >= 0,
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
    ModelPanel->OnSelectionChange = [this] { UpdateCommandStates(); };
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
    ModelPanel->Clear();
    if (!keepRemoteList) Panel1->ClearList();
}

void TMainFrm::ViewerClosed() {
    Document.ViewerShown = false;
    UpdateCommandStates();
}

void TMainFrm::OpenGivenFile(const std::string& path) { ShowOpened(Document.OpenPath(path)); }

// A file fetched by the remote panel opens as any other.
void TMainFrm::OpenDownloadedFile(TFetchedFile file) {
    ShowOpened(Document.OpenDownload(std::move(file.Bytes), file.Name, file.Address, file.Kind));
}

void TMainFrm::ShowOpened(TOpened opened) {
    if (opened.Show == TOpened::TShow::Nothing) return;
    // The panels still show the model that was there before.
    ResetDisplay(true);
    // A file's name as the system names it; an address, or a name from a listing, as model names are shown.
    const auto shown = [&opened](const std::string& name) {
        return opened.FromDisk ? QFile::decodeName(QByteArray::fromStdString(name)) : DisplayText(name);
    };
    if (opened.Show == TOpened::TShow::Model) {
        ModelPanel->ShowModel();
        if (opened.FromDisk) Settings.OpenFolder = shown(Document.ModelFolder());
        setWindowTitle(shown(Document.CurrentFileName()) + " - " + BaseCaption);
        UpdateCommandStates();
        return;
    }
    if (opened.Gltf) {
        OpenGltfViewer(opened, shown(opened.ViewerCaption));
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
    meshes->SetTexturePaths(ExportOptions->TextureFolders());
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
    const model3ds::TFileKind kind =
        model3ds::FileKindByName(QFile::encodeName(urls.front().toLocalFile()).toStdString());
    if (bOpen->isEnabled() && kind != model3ds::TFileKind::Unknown) {
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
