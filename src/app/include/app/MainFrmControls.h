#pragma once
// The main window's controls and components by the names its handlers use. The
// window holds them privately; tests read them through TMainFrm::Controls().
#include <QPointer>

#include <memory>

#include "app/Document.h"
#include "viewer/Draw3DFrm.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;

namespace app {

class TExportOptionsBox;
class TFileDialogs;
class TModelPanel;
class TRecentFilesMenu;
class TRemotePanel;
class TWebAdrFrm;

struct TMainFrmControls {
    QMenu* MainMenuFile;  // tFile's menu
    QMenu* MainMenuShow;
    QMenu* MainMenuFind;
    QMenu* MainMenuHelp;
    QAction* tFile;
    QAction* fOpen3DS;
    QAction* fCloseFile;
    QAction* fSaveAsX;
    QAction* fSaveXAsText;
    QAction* fSaveXAsBinally;
    QAction* fSaveAsGltf;  // the whole model as .glb or .gltf
    QAction* fQuit;
    QAction* tShow;
    QAction* sDraw3D;
    QAction* tFind;
    QAction* fndWeb;
    QAction* tHelp;
    QAction* hAbout;  // the About box

    QToolBar* ToolBar1;
    QToolButton* bOpen;
    QToolButton* bClose;
    QToolButton* bSave;
    QToolButton* bViewer;
    QToolButton* bDisConnect;
    QToolButton* bUpFolder;
    TRecentFilesMenu* MruPopupMenu;

    QTabWidget* ThePage;
    TModelPanel* ModelPanel;  // the tree, the mesh box and the material box, on ThePage

    TExportOptionsBox* ExportOptions;  // the "Direct3D 変換オプション" group

    TRemotePanel* Panel1;  // the remote grid WebListGrig and its connection
    QStatusBar* StatusBar;
    QLabel* StatusPanels[2];

    TWebAdrFrm* WebAdrFrm = nullptr;
    TFileDialogs* FileDialogs;

    // ---- Components ----
    TDocument Document;  // the model, where it came from, the recent files
    // The viewer window opened last; it deletes itself when closed.
    QPointer<viewer::TDraw3DFrm> CurrentViewer;
};

}  // namespace app
