#include "app/MainFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/ColorSwatch.h"
#include "app/CommandStates.h"
#include "app/Icons.h"
#include "app/RemoteGrid.h"
#include "app/WebAdrFrm.h"
#include "base/Format.h"
#include "model3ds/OpenModel.h"
#include "net/FtpClient.h"
#include "net/HttpClient.h"
#include "widgets/HandlerGuard.h"
#include "widgets/SpinEdit.h"

namespace app {

namespace {

// The window's fixed geometry: an 810 x 605 frame around a client area of
// 802 x 578 that holds the menu bar, the tool bar, the page, the remote grid and
// the status bar.
constexpr int kClientWidth = 802;
constexpr int kClientHeight = 578;
constexpr int kToolBarHeight = 30;
constexpr int kPageHeight = 333;
constexpr int kStatusBarHeight = 19;
constexpr int kToolButtonWidth = 31;
constexpr int kGridRowsAtReset = 5;  // with the header row

// The grid's fixed (header) cells: red, green and blue 217.
const QColor kFixedCellColor(217, 217, 217);

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

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

bool IsModelFileName(const QString& path) {
    return path.endsWith(".3ds", Qt::CaseInsensitive) || path.endsWith(".3da", Qt::CaseInsensitive);
}

}  // namespace

TMainFrm::TMainFrm(const std::string& recentFilePath, QWidget* parent)
    : QMainWindow(parent), RecentFilePath(recentFilePath) {
    setWindowTitle(Text("Korvane Ver2.2 ( URL 対応版 ) "));
    setWindowIcon(PageIcon());
    setAcceptDrops(true);
    CreateMenus();
    auto* client = new QWidget(this);
    setCentralWidget(client);
    CreateToolBar();
    CreatePage();
    CreateRemoteGrid();
    CreateStatusBar();
    CreateDialogs();
    FtpClient = std::make_unique<net::TFtpClient>();
    HttpClient = std::make_unique<net::THttpClient>();
    ConfigureNetworkClients();
    // Esc ends a running network command from any window of the program; it is
    // enabled only while one runs, so Esc keeps its meaning everywhere else.
    AbortAction = new QAction(this);
    AbortAction->setShortcut(Qt::Key_Escape);
    AbortAction->setShortcutContext(Qt::ApplicationShortcut);
    AbortAction->setEnabled(false);
    addAction(AbortAction);
    ConnectHandlers();
    setFixedSize(kClientWidth, kClientHeight);
    FormCreate();
    WebAdrFrm = new TWebAdrFrm(*this);
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::CreateMenus() {
    QMenuBar* bar = menuBar();
    MainMenuFile = bar->addMenu(Text("ﾌｧｲﾙ(&F)"));
    tFile = MainMenuFile->menuAction();
    fOpen3DS = MainMenuFile->addAction(Text(".3dsﾌｧｲﾙを開く"));
    fCloseFile = MainMenuFile->addAction(Text("ﾌｧｲﾙを閉じる"));
    MainMenuFile->addSeparator();
    QMenu* saveMenu = MainMenuFile->addMenu(Text(".3dsﾃﾞｰﾀを .Xﾌｧｲﾙとして保存する"));
    fSaveAsX = saveMenu->menuAction();
    fSaveXAsText = saveMenu->addAction(Text("ﾃｷｽﾄ形式"));
    fSaveXAsBinally = saveMenu->addAction(Text("ﾊﾞｲﾅﾘ形式"));
    MainMenuFile->addSeparator();
    fQuit = MainMenuFile->addAction(Text("終了"));
    MainMenuShow = bar->addMenu(Text("表示(&V)"));
    tShow = MainMenuShow->menuAction();
    sDraw3D = MainMenuShow->addAction(Text("選択メッシュの表示"));
    MainMenuFind = bar->addMenu(Text("検索(&S)"));
    tFind = MainMenuFind->menuAction();
    fndWeb = MainMenuFind->addAction(Text("Webサーバのリスト"));
}

void TMainFrm::CreateToolBar() {
    ToolBar1 = new QToolBar(centralWidget());
    ToolBar1->setGeometry(0, 0, kClientWidth, kToolBarHeight);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->setContentsMargins(2, 0, 2, 0);
    const auto addButton = [this](int image, const char* hint) {
        auto* button = new QToolButton(ToolBar1);
        button->setIcon(ToolIcon(image));
        button->setAutoRaise(true);
        button->setToolTip(Text(hint));
        button->setAccessibleName(Text(hint));
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(kToolButtonWidth, 26);
        ToolBar1->addWidget(button);
        return button;
    };
    bOpen = addButton(0, "ファイルを開く");
    MruPopupMenu = new QMenu(bOpen);
    MruPopupMenu->addAction(QStringLiteral("DUmmy"));
    bOpen->setMenu(MruPopupMenu);
    bOpen->setPopupMode(QToolButton::MenuButtonPopup);
    bOpen->setFixedWidth(kToolButtonWidth + 14);
    ToolBar1->addWidget(ToolSeparator(8));
    bClose = addButton(1, "ファイルを閉じる");
    bSave = addButton(2, "3DXファイルを保存");
    ToolBar1->addWidget(ToolSeparator(8));
    bViewer = addButton(3, "オブジェクトの表示");
    ToolBar1->addWidget(ToolSeparator(18));
    bDisConnect = addButton(4, "Webサーバの接続を切る");
    ToolBar1->addWidget(ToolSeparator(17));
    bUpFolder = addButton(5, "前のフォルダに戻る");
}

void TMainFrm::CreatePage() {
    ThePage = new QTabWidget(centralWidget());
    ThePage->setGeometry(0, kToolBarHeight, kClientWidth, kPageHeight);
    ThePage->setIconSize(QSize(16, 16));
    ThePage->setStyleSheet(QStringLiteral("QTabBar::tab { height: 18px; }"));
    TabSheet1 = new QWidget;
    ThePage->addTab(TabSheet1, PageIcon(), Text("メッシュ マテリアル"));

    TreeView = new QTreeWidget(TabSheet1);
    TreeView->setGeometry(8, 11, 201, 195);
    TreeView->setHeaderHidden(true);
    TreeView->setIndentation(19);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setAccessibleName(Text("メッシュとマテリアル"));
    CreateMeshBox();
    CreateExportOptions();
    CreateMaterialBox();
}

void TMainFrm::CreateMeshBox() {
    MeshBox = new QGroupBox(Text("メッシュの情報"), TabSheet1);
    MeshBox->setGeometry(217, 5, 275, 205);
    const auto row = [this](const char* caption, int y) {
        QLabel* name = AddLabel(MeshBox, Text(caption), 14, y);
        QLabel* value = AddLabel(MeshBox, QString(), 120, y, 145);
        name->setBuddy(value);
        value->setAccessibleName(name->text());
        return value;
    };
    VertexCount = row("頂点個数", 22);
    FaceCount = row("FACE個数", 40);
    TextureCoords = row("ﾃｸｽﾁｬ座標個数", 58);
    MaterialCount = row("ﾏﾃﾘｱﾙ使用数", 76);
    MeshCount = row("メッシュ個数", 94);
    AddLabel(MeshBox, Text("頂点座標"), 14, 116);
    // A corner takes two lines when its numbers are long; it wraps between them.
    const auto corner = [this](const char* caption, int y) {
        QLabel* name = AddLabel(MeshBox, Text(caption), 14, y);
        auto* value = new QLabel(MeshBox);
        value->setGeometry(66, y, 202, 30);
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        value->setAccessibleName(Text("頂点座標 ") + name->text());
        name->setBuddy(value);
        return value;
    };
    MaxCoord = corner("(最大値)", 134);
    MinCoord = corner("(最小値)", 166);
}

void TMainFrm::CreateExportOptions() {
    GroupBox1 = new QGroupBox(Text("Direct3D 変換オプション"), TabSheet1);
    GroupBox1->setGeometry(5, 213, 490, 86);
    const auto place = [](QAbstractButton* button, int x, int y) {
        button->move(x, y);
        button->adjustSize();
    };
    SelectAllMesh = new QCheckBox(Text("全メッシュを合成する"), GroupBox1);
    SaveMaterial = new QCheckBox(Text("マテリアルも保存する"), GroupBox1);
    SetTranse = new QCheckBox(Text("マテリアルの透明度を考慮する"), GroupBox1);
    EncodeZeroCenter = new QRadioButton(Text("(0,0,0) を立体の中心座標に変換する"), GroupBox1);
    EncodeZeroLeft = new QRadioButton(Text("(0,0,0) を原点に変換する"), GroupBox1);
    NotEncode = new QRadioButton(Text("頂点座標を変換しない"), GroupBox1);
    place(SelectAllMesh, 12, 20);
    place(SaveMaterial, 12, 40);
    place(SetTranse, 12, 60);
    place(EncodeZeroCenter, 210, 20);
    place(EncodeZeroLeft, 210, 40);
    place(NotEncode, 210, 60);
    SaveMaterial->setChecked(true);
    SetTranse->setChecked(true);
    EncodeZeroCenter->setChecked(true);
    // Kept for the options the window has no use for; they sit below the group's visible area.
    SetIndipendentVertex = new QCheckBox(Text("独立頂点に分解する"), GroupBox1);
    CombineMesh = new QCheckBox(Text("全メッシュを合成する"), GroupBox1);
    place(SetIndipendentVertex, 12, 96);
    place(CombineMesh, 210, 96);
    SetIndipendentVertex->setEnabled(false);
    CombineMesh->setEnabled(false);
}

void TMainFrm::CreateMaterialBox() {
    MaterialBox = new QGroupBox(Text("マテリアルの情報"), TabSheet1);
    MaterialBox->setGeometry(499, 5, 294, 294);
    const auto colourRow = [this](const char* caption, int y, const char* hint) {
        QLabel* name = AddLabel(MaterialBox, Text(caption), 12, y + 6);
        auto* swatch = new TColorSwatch(MaterialBox);
        swatch->setGeometry(96, y, 50, 26);
        swatch->setToolTip(Text(hint));
        swatch->setAccessibleName(name->text());
        swatch->setAccessibleDescription(Text(hint));
        name->setBuddy(swatch);
        return std::pair(name, swatch);
    };
    auto [ambientCaption, ambient] = colourRow("アンビエント色", 20, "設定できません");
    ambientCaption->setStyleSheet(QStringLiteral("color: grey;"));
    AmbientColor = ambient;
    AmbientColor->setEnabled(false);
    AmbientColorRGB = AddLabel(MaterialBox, Text("現在考慮していません！"), 152, 26, 138);
    AmbientColorRGB->setStyleSheet(QStringLiteral("color: maroon;"));
    DiffuseColor = colourRow("放射色", 52, "クリックで変更").second;
    DiffuseColorRGB = AddLabel(MaterialBox, QString(), 152, 58, 138);
    SpeculerColor = colourRow("反射色", 84, "クリックで変更").second;
    SpeculerColorRGB = AddLabel(MaterialBox, QString(), 152, 90, 138);
    QLabel* brightness = AddLabel(MaterialBox, Text("色の明るさ"), 12, 120);
    SelfIlluminate = AddLabel(MaterialBox, QString(), 96, 120, 100);
    SelfIlluminate->setAccessibleName(brightness->text());
    brightness->setBuddy(SelfIlluminate);

    auto* bevel = new QFrame(MaterialBox);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 142, 278, 4);
    QLabel* heading = AddLabel(MaterialBox, Text("マテリアル特性の設定"), 12, 152);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->adjustSize();

    // The opacity field sits in the gap of its caption's blanks.
    const QString opacityCaption = Text("透明度の設定                  % ( 100 % は不透明です )");
    QLabel* opacity = AddLabel(MaterialBox, opacityCaption, 16, 184);
    SpecularCo = new widgets::TSpinEdit({.MinValue = 10, .MaxValue = 100, .Increment = 5}, 100, MaterialBox);
    const int gapStart = opacity->fontMetrics().horizontalAdvance(Text("透明度の設定 "));
    const int gapWidth = opacity->fontMetrics().horizontalAdvance(QString(17, QLatin1Char(' ')));
    SpecularCo->setGeometry(16 + gapStart + (gapWidth - 51) / 2, 179, 51, 24);
    SpecularCo->setAccessibleName(opacityCaption.simplified());
    opacity->setBuddy(SpecularCo);

    QLabel* power = AddLabel(MaterialBox, Text("反射係数の設定"), 16, 226);
    RefrectCo = new widgets::TSpinEdit({.MinValue = 0, .MaxValue = 50, .Increment = 5}, 15, MaterialBox);
    RefrectCo->setGeometry(16 + power->width() + 12, 221, 51, 24);
    RefrectCo->setAccessibleName(power->text());
    power->setBuddy(RefrectCo);
    AddLabel(MaterialBox, Text("( 反射係数が大きくなるほど反射度は低下します )"), 10, 256);
}

void TMainFrm::CreateRemoteGrid() {
    auto* panel = new QFrame(centralWidget());
    const int top = kToolBarHeight + kPageHeight;
    const int height = kClientHeight - menuBar()->sizeHint().height() - kStatusBarHeight - top;
    panel->setGeometry(0, top, kClientWidth, height);
    panel->setFrameShape(QFrame::StyledPanel);
    WebListGrig = new QTableWidget(kGridRowsAtReset - 1, 4, panel);
    WebListGrig->setGeometry(panel->contentsRect());
    WebListGrig->setFrameShape(QFrame::NoFrame);
    WebListGrig->verticalHeader()->hide();
    WebListGrig->verticalHeader()->setDefaultSectionSize(20);
    WebListGrig->horizontalHeader()->setFixedHeight(20);
    WebListGrig->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    WebListGrig->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; }").arg(kFixedCellColor.name()));
    const int widths[] = {155, 150, 247, 228};
    for (int column = 0; column < 4; ++column) WebListGrig->setColumnWidth(column, widths[column]);
    WebListGrig->setSelectionBehavior(QAbstractItemView::SelectRows);
    WebListGrig->setSelectionMode(QAbstractItemView::SingleSelection);
    WebListGrig->setEditTriggers(QAbstractItemView::NoEditTriggers);
    WebListGrig->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WebListGrig->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    WebListGrig->setToolTip(Text("Web ファイルを選択"));
    WebListGrig->setAccessibleName(Text("Web ファイルを選択"));
    WebListGrig->setItemDelegate(new TRemoteGridDelegate(WebListGrig));
    WebListGrig->setEnabled(false);
}

void TMainFrm::CreateStatusBar() {
    StatusBar = statusBar();
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setFixedHeight(kStatusBarHeight);
    const int widths[] = {400, 150};
    for (int panel = 0; panel < 2; ++panel) {
        StatusPanels[panel] = new QLabel(StatusBar);
        StatusPanels[panel]->setFixedWidth(widths[panel]);
        StatusPanels[panel]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar->addWidget(StatusPanels[panel]);
    }
    StatusPanels[0]->setAccessibleName(Text("状態"));
    StatusPanels[1]->setAccessibleName(Text("接続"));
}

void TMainFrm::CreateDialogs() {
    SaveDialog = new QFileDialog(this);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setDefaultSuffix(QStringLiteral("x"));
    SaveDialog->setNameFilter(QStringLiteral("*.x (*.x)"));
    SaveDialog->setSizeGripEnabled(true);
    ColorDialog = new QColorDialog(this);
}

void TMainFrm::ConnectHandlers() {
    connect(MainMenuFile, &QMenu::aboutToShow, this, widgets::Guarded([this] { OnTopMenu(tFile); }));
    connect(MainMenuShow, &QMenu::aboutToShow, this, widgets::Guarded([this] { OnTopMenu(tShow); }));
    connect(MainMenuFind, &QMenu::aboutToShow, this, widgets::Guarded([this] { OnTopMenu(tFind); }));
    for (QAction* item : {fOpen3DS, fCloseFile, fSaveXAsText, fSaveXAsBinally, fQuit}) {
        connect(item, &QAction::triggered, this, widgets::Guarded([this, item] { OnFileMenu(item); }));
    }
    connect(sDraw3D, &QAction::triggered, this, widgets::Guarded([this] { OnShowMenu(sDraw3D); }));
    connect(fndWeb, &QAction::triggered, this, widgets::Guarded([this] { OnFindMenu(fndWeb); }));
    connect(AbortAction, &QAction::triggered, this, widgets::Guarded([this] { AbortNetworkCommand(); }));
    connect(WebListGrig, &QTableWidget::cellDoubleClicked, this, widgets::Guarded([this] { WebListGrigDblClick(); }));
    for (QToolButton* button : {bOpen, bClose, bSave, bViewer, bDisConnect, bUpFolder}) {
        connect(button, &QToolButton::clicked, this, widgets::Guarded([this, button] { OnToolButton(button); }));
    }
    connect(MruPopupMenu, &QMenu::aboutToShow, this, widgets::Guarded([this] { MruPopupMenuPopup(); }));
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            widgets::Guarded([this](QTreeWidgetItem* node) { TreeViewChange(node); }));
    connect(SelectAllMesh, &QCheckBox::clicked, this, widgets::Guarded([this] { SelectAllMeshClick(); }));
    for (TColorSwatch* swatch : {AmbientColor, DiffuseColor, SpeculerColor}) {
        swatch->OnClick = widgets::Guarded([this, swatch] { OnColor(swatch); });
    }
    SpecularCo->OnChange = widgets::Guarded([this] { OnMaterialSet(SpecularCo); });
    RefrectCo->OnChange = widgets::Guarded([this] { OnMaterialSet(RefrectCo); });
}

void TMainFrm::FormCreate() {
    DownloadStream.reset();
    ResetDisplay(false);
    ModelFile = std::make_unique<model3ds::TFile3DS>();
    try {
        RecentFiles = LoadRecentFiles(RecentFilePath);
    } catch (const base::Exception& error) {
        // The window starts without the list rather than not at all.
        qWarning("warning: %s; the list of recent files starts empty", error.what());
    }
    CurrentFileName.clear();
    WebTimeOut = 60000;
    WebServerAddress = "localhost";
    WebHttpFolder = "ximg";
    WebCurrentPath.clear();
    ViewerShown = false;
    BaseCaption = windowTitle();
    ResetDisplay(false);
    UpdateCommandStates();
}

// A close during a network command ends that command first; the window closes
// once it has returned.
void TMainFrm::closeEvent(QCloseEvent* event) {
    if (networkBusy_) {
        closeWhenIdle_ = true;
        AbortNetworkCommand();
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
        if (FtpClient->Connected()) FtpClient->Disconnect();
    } catch (const base::Exception& error) {
        qWarning("%s", error.what());
    }
    if (ModelFile) ModelFile->Clear();
    ModelFile.reset();
    RecentFiles.Trim();
    try {
        SaveRecentFiles(RecentFiles, RecentFilePath);
    } catch (const base::Exception& error) {
        // The window is going away; there is no one left to ask, so it is reported where a log is kept.
        qWarning("%s", error.what());
    }
}

int TMainFrm::MeshTotal() const { return ModelFile ? ModelFile->ObjectList().MeshTotal() : 0; }

void TMainFrm::UpdateCommandStates() {
    const TCommandStates states = CommandStates({.MeshCount = MeshTotal(),
                                                 .NodeSelected = TreeView->currentItem() != nullptr,
                                                 .ViewerShown = ViewerShown,
                                                 .InRemoteFolder = !WebCurrentPath.empty(),
                                                 .Connected = FtpClient->Connected(),
                                                 .NetworkBusy = networkBusy_});
    bOpen->setEnabled(states.Open);
    bClose->setEnabled(states.Close);
    bSave->setEnabled(states.Save);
    bViewer->setEnabled(states.View);
    bUpFolder->setEnabled(states.UpFolder);
    bDisConnect->setEnabled(states.DisConnect);
}

void TMainFrm::OnTopMenu(QAction* sender) {
    const TCommandStates states = CommandStates({.MeshCount = MeshTotal(),
                                                 .NodeSelected = TreeView->currentItem() != nullptr,
                                                 .ViewerShown = ViewerShown,
                                                 .NetworkBusy = networkBusy_});
    if (sender == tFile) {
        fOpen3DS->setEnabled(states.Open);
        fCloseFile->setEnabled(states.Close);
        fSaveAsX->setEnabled(states.Save);
        fSaveXAsText->setEnabled(states.Save);
        fSaveXAsBinally->setEnabled(states.Save);
    } else if (sender == tShow) {
        sDraw3D->setEnabled(states.View);
    }
}

void TMainFrm::ResetDisplay(bool keepRemoteList) {
    CurrentFileName.clear();
    for (QLabel* label : {VertexCount, TextureCoords, FaceCount, MaterialCount, MaxCoord, MinCoord, MeshCount,
                          DiffuseColorRGB, SpeculerColorRGB, SelfIlluminate}) {
        label->clear();
    }
    TreeView->clear();
    for (TColorSwatch* swatch : {AmbientColor, DiffuseColor, SpeculerColor}) swatch->SetColor(0xFFFFFF);
    SpecularCo->SetValue(100);
    RefrectCo->SetValue(15);
    if (keepRemoteList) return;
    WebListGrig->clearContents();
    WebListGrig->setHorizontalHeaderLabels({QString(), QString(), QString(), QString()});
    WebListGrig->setRowCount(kGridRowsAtReset - 1);
    WebListGrig->scrollToTop();
    WebListGrig->setCurrentCell(0, 0);
    WebListGrig->selectRow(0);
    WebListGrig->viewport()->update();
}

bool TMainFrm::OpenModelFile(const std::string& path) {
    if (!model3ds::OpenModelFile(*ModelFile, path, model3ds::TUnpackPolicy::AnyOutput)) return false;
    const int total = MeshTotal();
    if (total == 0) return false;
    BuildModelTree();
    MeshCount->setText(QString::fromStdString(base::Format("%d 個", total)));
    RecentFiles.Add(path);
    CurrentFileName = path.substr(path.find_last_of('/') + 1);
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(CurrentFileName)) + " - " + BaseCaption);
    return true;
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
    ViewerShown = false;
    UpdateCommandStates();
}

// Built when first used: a file dialog reads its folder when it is made, which in a
// large folder would hold the window back at start.
QFileDialog& TMainFrm::OpenFileDialog() {
    if (OpenDialog) return *OpenDialog;
    OpenDialog = new QFileDialog(this);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setDefaultSuffix(QStringLiteral("3ds"));
    // Names are matched in either letter case, as files from other systems often carry capitals.
    OpenDialog->setNameFilters({Text("3dsﾌｧｲﾙ(3d Studio) (*.3ds *.3DS)"), Text("3ds圧縮ﾌｧｲﾙ (*.3da *.3DA)")});
    return *OpenDialog;
}

void TMainFrm::OnFileMenu(QAction* sender) {
    if (networkBusy_) return;
    if (sender == fOpen3DS) {
        if (OpenFileDialog().exec() == QDialog::Accepted) {
            OpenChosenFile(QFile::encodeName(OpenDialog->selectedFiles().value(0)).toStdString());
        }
    } else if (sender == fSaveXAsText || sender == fSaveXAsBinally) {
        int meshIndex = -1;
        if (!SelectedMeshNode(meshIndex)) return;
        SaveCommand(sender == fSaveXAsBinally);
    } else if (sender == fCloseFile) {
        ModelFile->Clear();
        ResetDisplay(false);
    } else if (sender == fQuit) {
        close();
        return;
    }
    UpdateCommandStates();
}

void TMainFrm::OpenChosenFile(const std::string& path) {
    if (!OpenModelFile(path)) ShowReadError(path);
}

void TMainFrm::ShowReadError(const std::string& path) {
    const QString text = QFile::decodeName(QByteArray::fromStdString(base::Format("READ ERROR : %s", path.c_str())));
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
    box.exec();
}

void TMainFrm::OnToolButton(QToolButton* sender) {
    if (networkBusy_) return;
    if (sender == bOpen) {
        OnFileMenu(fOpen3DS);
    } else if (sender == bClose) {
        OnFileMenu(fCloseFile);
    } else if (sender == bSave) {
        OnFileMenu(fSaveXAsBinally);
    } else if (sender == bViewer) {
        OnShowMenu(sDraw3D);
    } else if (sender == bUpFolder) {
        GoUpRemoteFolder();
    } else if (sender == bDisConnect) {
        if (FtpClient->Connected()) FtpClient->Disconnect();
        OnFileMenu(fCloseFile);
    }
    UpdateCommandStates();
}

void TMainFrm::AbortNetworkCommand() {
    if (!networkBusy_) return;
    abortRequested_ = true;
    FtpClient->Cancel();
    HttpClient->Cancel();
}

void TMainFrm::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (networkBusy_) return;
    if (bOpen->isEnabled() && urls.size() == 1 && urls.front().isLocalFile() &&
        IsModelFileName(urls.front().toLocalFile())) {
        event->acceptProposedAction();
    }
}

void TMainFrm::dropEvent(QDropEvent* event) {
    const QString path = event->mimeData()->urls().value(0).toLocalFile();
    event->acceptProposedAction();
    OpenChosenFile(QFile::encodeName(path).toStdString());
    UpdateCommandStates();
}

}  // namespace app
