#pragma once
// The main window assembles its parts around the document: the menus and tool
// bar, the model page (TModelPanel, holding the export options), the remote
// panel and the status bar. It binds every command once, as one object of a
// TCommandSet whose menu item and tool button run the same action and show the
// same state, and renders what the document's use cases return.
#include <QCoreApplication>
#include <QMainWindow>

#include <string>

#include "app/MainFrmControls.h"
#include "app/RemotePanel.h"
#include "app/UserSettings.h"
#include "base/Stream.h"
#include "model3ds/FileKind.h"
#include "viewer/ViewerOwner.h"

namespace app {

class TCommandSet;

class TMainFrm : public QMainWindow, public viewer::IViewerOwner, private TMainFrmControls {
    Q_DECLARE_TR_FUNCTIONS(app::TMainFrm)

public:
    // recentFilePath: where the recent-files list is read at start and written at close;
    // settingsPath likewise for the user's settings (none kept when it is empty).
    explicit TMainFrm(const std::string& recentFilePath, const std::string& settingsPath = {},
                      QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The controls and components, for tests.
    const TMainFrmControls& Controls() const { return *this; }

    // ---- Operations the other parts of the window call ----
    void UpdateCommandStates();
    void ResetDisplay(bool keepRemoteList);
    void ViewerClosed() override;
    void ViewerCannotDraw(const std::exception& error) override;

    // A file named on the command line, dropped on the window or chosen in the
    // open dialog, by its absolute name: DirectX data (.x, packed .xa, by content
    // where it tells) opens in a viewer window, framed, anything else as a model.
    // A model without meshes, and DirectX data without a mesh, raise "READ ERROR : path".
    void OpenGivenFile(const std::string& path);
    // The save commands after their dialog.
    void SaveChosenFile(const std::string& path, bool binary);
    // The whole model, with the material edits, as glTF: .gltf (any letter case)
    // writes the text form with its files beside it, any other name a .glb.
    // Missing textures are reported in one message box after the file is written.
    void SaveGltfFile(const std::string& path);

    // ---- Remote browsing ----
    // A network command is running; the window takes no other command meanwhile.
    bool NetworkBusy() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Building the window, top to bottom.
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RestoreSettings();
    void SaveSettings();
    // Binds the commands to their menu items and tool buttons, and the other handlers.
    void ConnectHandlers();

    void FormCreate();
    void FormClose();
    // Shows what an open left: the model in the browser or DirectX data in a viewer.
    void ShowOpened(TOpened opened);

    // Saving and viewing.
    void SaveCommand(bool binary);
    void SaveGltfCommand();
    // A new viewer window showing the .x data of stream, made from the file named
    // fileName (a path or an address); the viewer command is off while it is open.
    void OpenViewer(base::MemoryStream& stream, const QString& caption, const std::string& fileName);
    void OpenGltfViewer(TOpened& opened, const QString& caption);
    // The selected mesh, or all of them merged, in a new viewer window.
    void ViewSelectedMesh();

    // A file the remote panel fetched.
    void OpenDownloadedFile(TFetchedFile file);
    // Asks for the server's address and login when none is connected, then lists its folder.
    void ListWebServer();

    QString BaseCaption;
    std::string ViewerFileName;  // what the open viewer shows, named in its messages
    std::string RecentFilePath;
    TUserSettings Settings;
    std::string SettingsPath;
    TCommandSet* Commands = nullptr;  // made by ConnectHandlers()
};

}  // namespace app
