#pragma once
// Which commands of the main window are enabled, from the state that decides it.
// The tool buttons and the menu items of the same command follow one rule.

namespace app {

struct TCommandInputs {
    int MeshCount = 0;          // meshes in the loaded model; 0 when nothing is loaded
    bool NodeSelected = false;  // a node of the model tree is selected
    bool ViewerShown = false;   // a viewer window opened from the main window is open
    bool InRemoteFolder = false;  // the remote browser is below the server's root
    bool Connected = false;     // the FTP client is connected
    bool NetworkBusy = false;   // a network command is running: no other command starts
};

struct TCommandStates {
    bool Open = false;        // open a model, and the recent-files drop-down
    bool Close = false;
    bool Save = false;        // both save forms
    bool SaveGltf = false;    // the whole model as glTF: no selection needed
    bool View = false;
    bool UpFolder = false;
    bool DisConnect = false;
    bool Abort = false;       // Esc, which ends the running network command
};

TCommandStates CommandStates(const TCommandInputs& inputs);

}  // namespace app
