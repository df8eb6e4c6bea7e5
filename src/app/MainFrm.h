#pragma once
// The main window: the loaded model with its browser, the export options, the
// material editors, the recent files, the remote file grid and the status bar.
// Every command is one handler; the tool buttons call the menu handlers.
#include <QCoreApplication>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <string>

#include "app/RecentFiles.h"
#include "app/UserSettings.h"
#include "base/Stream.h"
#include "model3ds/File3DS.h"
#include "viewer/Draw3DFrm.h"
#include "viewer/ViewerOwner.h"
#include "xexport/ExportOptions.h"

class QAction;
class QCheckBox;
class QColorDialog;
class QFrame;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace net {
class TFtpClient;
class THttpClient;
}  // namespace net

namespace widgets {
class TSpinEdit;
}  // namespace widgets

namespace app {

class TColorSwatch;
class TNetworkCommand;
class TWebAdrFrm;

class TMainFrm : public QMainWindow, public viewer::IViewerOwner {
    Q_DECLARE_TR_FUNCTIONS(app::TMainFrm)

public:
    // recentFilePath: where the recent-files list is read at start and written at close;
    // settingsPath likewise for the user's settings (none kept when it is empty).
    explicit TMainFrm(const std::string& recentFilePath, const std::string& settingsPath = {},
                      QWidget* parent = nullptr);
    ~TMainFrm() override;

    // ---- Operations the other parts of the window call ----
    void UpdateCommandStates();
    void ResetDisplay(bool keepRemoteList);
    // Raises model3ds::EReadModelError for a file without meshes.
    void OpenModelFile(const std::string& path);
    // The top-level node of the selection and the model's index of its mesh; null and -1 with no selection.
    QTreeWidgetItem* SelectedMeshNode(int& meshIndex) const;
    void ViewerClosed() override;
    void BuildModelTree();
    void MeshNameListClick();
    void ShowMaterialInfo(const std::string& name);
    int SelectedMaterialIndex();
    model3ds::TMaterial3DS* FindMaterialByName(const std::string& name, int& index);
    void SetSaveFileName(const QString& name);

    // ---- Commands, as the menus and tool buttons run them ----
    void OnTopMenu(QAction* sender);
    void OnFileMenu(QAction* sender);
    void OnShowMenu(QAction* sender);
    void OnToolButton(QToolButton* sender);
    // The open command after its dialog: opens path, or shows "READ ERROR" for a file without meshes.
    void OpenChosenFile(const std::string& path);
    // A file named on the command line or dropped on the window: DirectX data
    // (.x, packed .xa) opens in a viewer window, anything else as a model.
    void OpenGivenFile(const std::string& path);
    // The save commands after their dialog.
    void SaveChosenFile(const std::string& path, bool binary);

    // ---- Remote browsing ----
    void OnFindMenu(QAction* sender);
    void ChangeRemoteFolder(const std::string& folder);
    void GoUpRemoteFolder();
    void WebListGrigDblClick();
    void OpenDownloadedFile(const std::string& fileName, int kind);
    void ShowStreamInViewer(base::MemoryStream& stream, const QString& caption = {});
    // A network command is running; the window takes no other command meanwhile.
    bool NetworkBusy() const { return networkBusy_; }
    // Ends the running network command as a failed one.
    void AbortNetworkCommand();

    // ---- Controls, by the names the handlers use ----
    QMenu* MainMenuFile;  // tFile's menu
    QMenu* MainMenuShow;
    QMenu* MainMenuFind;
    QAction* tFile;
    QAction* fOpen3DS;
    QAction* fCloseFile;
    QAction* fSaveAsX;
    QAction* fSaveXAsText;
    QAction* fSaveXAsBinally;
    QAction* fQuit;
    QAction* tShow;
    QAction* sDraw3D;
    QAction* tFind;
    QAction* fndWeb;

    QToolBar* ToolBar1;
    QToolButton* bOpen;
    QToolButton* bClose;
    QToolButton* bSave;
    QToolButton* bViewer;
    QToolButton* bDisConnect;
    QToolButton* bUpFolder;
    QMenu* MruPopupMenu;

    QTabWidget* ThePage;
    QWidget* TabSheet1;
    QTreeWidget* TreeView;
    QGroupBox* MeshBox;
    QLabel* VertexCount;
    QLabel* FaceCount;
    QLabel* TextureCoords;
    QLabel* MaterialCount;
    QLabel* MeshCount;
    QLabel* MaxCoord;
    QLabel* MinCoord;

    QGroupBox* GroupBox1;
    QCheckBox* SelectAllMesh;
    QCheckBox* SaveMaterial;
    QCheckBox* SetTranse;
    QRadioButton* EncodeZeroCenter;
    QRadioButton* EncodeZeroLeft;
    QRadioButton* NotEncode;
    QCheckBox* SetIndipendentVertex;
    QCheckBox* CombineMesh;

    QGroupBox* MaterialBox;
    TColorSwatch* AmbientColor;
    QLabel* AmbientColorRGB;
    TColorSwatch* DiffuseColor;
    QLabel* DiffuseColorRGB;
    TColorSwatch* SpeculerColor;
    QLabel* SpeculerColorRGB;
    QLabel* SelfIlluminate;
    widgets::TSpinEdit* SpecularCo;
    widgets::TSpinEdit* RefrectCo;

    QFrame* Panel1;  // holds WebListGrig
    QTableWidget* WebListGrig;
    QStatusBar* StatusBar;
    QLabel* StatusPanels[2];

    QAction* AbortAction;  // Esc: ends a running network command
    TWebAdrFrm* WebAdrFrm = nullptr;

    QFileDialog* OpenDialog = nullptr;  // made by OpenFileDialog() when first needed
    QFileDialog* SaveDialog;
    QColorDialog* ColorDialog;

    // ---- State ----
    std::unique_ptr<model3ds::TFile3DS> ModelFile;
    std::string CurrentFileName;
    QString BaseCaption;
    bool ViewerShown = false;
    TRecentFiles RecentFiles;
    std::string RecentFilePath;
    TUserSettings Settings;
    std::string SettingsPath;
    QString ModelFolder;  // of the model file loaded; empty for none or a downloaded one
    std::unique_ptr<base::MemoryStream> DownloadStream;
    std::string WebServerAddress;
    std::string WebHttpFolder;
    std::string WebCurrentPath;
    std::string WebUserID;
    std::string WebPassword;
    int WebPort = 0;
    int WebTimeOut = 0;
    int WebListRow = 0;
    // The viewer window opened last; it deletes itself when closed.
    QPointer<viewer::TDraw3DFrm> CurrentViewer;
    std::unique_ptr<net::TFtpClient> FtpClient;
    std::unique_ptr<net::THttpClient> HttpClient;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the window, top to bottom.
    void CreateMenus();
    void CreateToolBar();
    void CreatePage();
    void CreateMeshBox();
    void CreateExportOptions();
    void CreateMaterialBox();
    void CreateRemoteGrid();
    void CreateStatusBar();
    void CreateDialogs();
    void CreateShortcuts();
    void RestoreSettings();
    void SaveSettings();
    QFileDialog& OpenFileDialog();
    void ConnectHandlers();

    void FormCreate();
    void FormClose();
    void TreeViewChange(QTreeWidgetItem* node);
    void SelectAllMeshClick();
    void OnColor(TColorSwatch* sender);
    void OnMaterialSet(widgets::TSpinEdit* sender);
    void MruPopupMenuPopup();
    void OpenRecentFile(QAction* sender);
    void SaveCommand(bool binary);
    // The options of the "Direct3D 変換オプション" group as the writers take them.
    xexport::TExportOptions ExportOptions() const;
    void ShowReadError(const std::string& path);
    int MeshTotal() const;

    // Remote browsing: the FTP and HTTP clients' events.
    void ConfigureNetworkClients();
    void ConfigureHttpClient();
    void FtpClientConnect();
    void FtpClientConnectionFailed();
    void FtpClientInvalidHost(bool& handled);
    void FtpClientStatus(const std::string& text);
    void FtpClientError(int code, const std::string& message);
    void FtpClientSuccess(int operation);
    void FtpClientListItem(const std::string& line);
    void HttpClientStatus(const std::string& text);
    void HttpClientPacketRecvd();
    void HttpClientFailure(int command);
    void HttpClientInvalidHost(bool& handled);
    void HttpClientConnectionFailed();
    void HttpClientDisconnect();
    void HttpClientSuccess(int command);
    void SetStatusText(int panel, const QString& text);
    void LoadDownloadedModel(std::vector<std::uint8_t> bytes, const std::string& name, const std::string& address);

    friend class TNetworkCommand;
    bool networkBusy_ = false;
    bool abortRequested_ = false;  // the running command was ended by the user
    bool closeWhenIdle_ = false;
    int fittedGridWidth_ = 0;  // the grid's width that its columns fit; 0 before the first layout
};

}  // namespace app
