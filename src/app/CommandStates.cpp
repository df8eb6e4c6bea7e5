#include "app/CommandStates.h"

namespace app {

TCommandStates CommandStates(const TCommandInputs& in) {
    const bool loaded = in.MeshCount > 0;
    TCommandStates states;
    // A running network command can only be ended.
    states.Abort = in.NetworkBusy;
    if (in.NetworkBusy) return states;
    // One model at a time: a second can be opened only after closing the first.
    states.Open = !loaded;
    states.Close = loaded;
    states.Save = loaded && in.NodeSelected;
    states.SaveGltf = loaded;
    states.View = states.Save && !in.ViewerShown;
    states.UpFolder = in.InRemoteFolder;
    states.DisConnect = in.Connected;
    return states;
}

}  // namespace app
