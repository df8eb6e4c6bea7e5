#pragma once
// The main window's controls and components by the names its handlers use. The
// window holds them privately; tests read them through TMainFrm::Controls().
#include <QPointer>

#include <memory>

#include "app/Document.h"
#include "viewer/Draw3DFrm.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;

namespace app {

class TModelPanel;
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
    QMenu* MruPopupMenu;

    QTabWidget* ThePage;
    TModelPanel* ModelPanel;  // the tree, the mesh box and the material box, on ThePage

    QGroupBox* GroupBox1;
    QCheckBox* SelectAllMesh;
    QCheckBox* SaveMaterial;
    QCheckBox* SetTranse;
    QRadioButton* EncodeZeroCenter;
    QRadioButton* EncodeZeroLeft;
    QRadioButton* NotEncode;
    QCheckBox* SetIndipendentVertex;
    QCheckBox* CombineMesh;
    QCheckBox* SaveTextureCoords;  // the converter's --texcoords
    QCheckBox* SaveTextureNames;   // --textures
    QCheckBox* SaveNormals;        // --normals
    QCheckBox* SaveHierarchy;      // --hierarchy
    QCheckBox* SaveAnimation;      // --animation, which implies --hierarchy

    TRemotePanel* Panel1;  // the remote grid WebListGrig and its connection
    QStatusBar* StatusBar;
    QLabel* StatusPanels[2];

    TWebAdrFrm* WebAdrFrm = nullptr;
    QFileDialog* OpenDialog = nullptr;  // made by OpenFileDialog() when first needed
    QFileDialog* SaveDialog;
    QFileDialog* GltfSaveDialog = nullptr;  // made by GltfFileDialog() when first needed

    // ---- Components ----
    TDocument Document;  // the model, where it came from, the recent files
    // The viewer window opened last; it deletes itself when closed.
    QPointer<viewer::TDraw3DFrm> CurrentViewer;
};

}  // namespace app
