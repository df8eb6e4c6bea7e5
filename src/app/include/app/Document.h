#pragma once
// The desktop program's document: the loaded model with where it came from, the
// viewer flag and the recent files, and the use cases on them (open, close, save,
// view). No Qt: each use case returns what the window has to show, or why it
// refused, and the window only renders that.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/RecentFiles.h"
#include "gltfexport/GltfTextures.h"
#include "model3ds/File3DS.h"
#include "model3ds/FileKind.h"
#include "xexport/ExportOptions.h"
#include "xexport/ExportPreparation.h"
#include "xexport/WriteModelX.h"

namespace app {

// What an open leaves for the window to show.
struct TOpened {
    enum class TShow {
        Nothing,  // a download that holds no model: the window stays as it was
        Model,    // the model, now the document's, in the browser
        Viewer,   // DirectX data or glTF in a viewer window; the document holds no model
    };
    TShow Show = TShow::Nothing;
    // Viewer: the .x data, the file or address it came from (named in the
    // viewer's messages) and its caption, empty for the viewer's own.
    std::vector<std::uint8_t> ViewerBytes;
    std::string ViewerFileName;
    std::string ViewerCaption;
    // glTF rather than .x data: from disk, the viewer reads the file at
    // ViewerFileName (ViewerBytes stays empty) and the files it names (buffers,
    // images) from ViewerFolder; a download has its bytes and no folder.
    bool Gltf = false;
    std::string ViewerFolder;
    // A file from disk: its name is shown as the system names files. In a viewer
    // its coordinates may lie anywhere, so the window frames it and requires a mesh.
    bool FromDisk = false;
};

// What the .x commands write or show: one mesh or all merged, with the options.
struct TXRequest {
    int MeshIndex = -1;  // the selected mesh, by its index in the model's list
    bool Merged = false;
    xexport::TExportOptions Options;  // the scene name is the document's
};

// The .x data a viewer shows, from the document's model.
struct TViewerData {
    std::vector<std::uint8_t> Bytes;  // binary .x
    std::string FileName;             // named in the viewer's messages
    // The model's file, by which the viewer finds the textures; empty when they are
    // not shown or the model has no folder (a download).
    std::string TextureModelFile;
};

class TDocument {
public:
    TDocument();

    // ---- Open and close ----
    // The file at path (made absolute): DirectX data (.x, packed .xa) or glTF
    // (.glb, .gltf), by content where it tells, for a viewer; anything else as a model, which must hold a
    // mesh. A model opened is added to the recent files. Raises
    // model3ds::EReadModelError ("READ ERROR : path") and reader and stream errors.
    TOpened OpenPath(const std::string& path);
    // The bytes of a download, the file `name` fetched from `address`, of the kind
    // its name gives. A model that unpacks to nothing is Nothing; a model is not
    // added to the recent files and has no folder.
    TOpened OpenDownload(std::vector<std::uint8_t> bytes, const std::string& name, const std::string& address,
                         model3ds::TFileKind kind);
    // Forgets the model and where it came from.
    void Close();

    // ---- Save and view ----
    // Why the request cannot be written, None when it can.
    xexport::TExportRefusal XRefusal(const TXRequest& request) const;
    // Writes the request's .x file (refused requests write nothing: check XRefusal
    // first). Neither save replaces the model's file or a texture it reads:
    // base::RefuseOutputsThatAreInputs raises, as it does for korvane-convert.
    void SaveX(const TXRequest& request, xexport::TXForm form, const std::string& path) const;
    // The request as the viewer shows it.
    TViewerData ViewerData(const TXRequest& request) const;
    // Why the whole model cannot be written as glTF, None when it can.
    xexport::TExportRefusal GltfRefusal() const;
    // Writes the whole model with the material edits as glTF, in the form `path`'s
    // extension gives (.gltf in any letter case the text form with its files beside
    // it, anything else a .glb). Textures are looked for in textureFolders, then
    // by the model's folder (viewer/TextureSearch.h), a download has none; texts
    // word a texture left out or taken from another file. Returns the warnings.
    // Raises as gltfexport::WriteGltfFiles does.
    std::vector<std::string> SaveGltf(const std::string& path, const std::string& generator,
                                      const gltfexport::TTextureTexts& texts,
                                      const std::vector<std::string>& textureFolders = {}) const;

    // ---- The state the window reads ----
    // The model loaded, empty when none is; the material editors change it in place.
    model3ds::TFile3DS& Model() const { return *ModelFile; }
    int MeshTotal() const;
    // The name the window's title shows and the scene is named by: a model file's
    // name without folder, a download's address; empty for none.
    const std::string& CurrentFileName() const { return CurrentFileName_; }
    // The folder of the model file loaded; empty for none or a downloaded one.
    const std::string& ModelFolder() const { return ModelFolder_; }
    // A viewer window opened from the document is open.
    bool ViewerShown = false;
    TRecentFiles RecentFiles;  // oldest first
    // The materials whose opacity the user changed since the model was opened:
    // in glTF their opacity wins over the file's transparency.
    std::set<std::string> EditedOpacity;

private:
    // Every open ends here, from disk or from a download: a model kind into the
    // model, DirectX data unpacked for a viewer.
    TOpened Open(model3ds::TFileKind kind, std::vector<std::uint8_t> bytes, const std::string& path,
                 const std::string& shown, bool fromDisk);
    // The model file's path where the textures are found; empty for a download.
    std::string LocalModelFile() const;

    std::unique_ptr<model3ds::TFile3DS> ModelFile;
    std::string CurrentFileName_;
    std::string ModelFolder_;
};

}  // namespace app
