#pragma once
// Where a model's texture files are looked for, shared by the converter's glTF
// images, the renderer and the window's viewer. Collections keep models in a
// folder beside their textures, spell the files in other capitals and ship .tga
// files where the models name formats never shipped (.RGB, .CEL). A name gives,
// in order:
//   1. its file name (the part after the last "/" or "\") in each extra folder;
//   2. the name as stored, relative to the model's folder;
//   3. its file name in the model's folder, then in a folder named textures,
//      texture, maps, images, tex or bitmaps inside the model's folder, then
//      inside its parent, then in the parent itself.
// At each of those places the file of the stored name comes first, then a file
// of its stem with .png, .jpg, .jpeg, .tga, .bmp or .gif, all in any capitals.
// Every folder is read through TextureFiles: only regular files, no link
// followed, no deeper walk, each folder listed once per search.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "viewer/TextureFiles.h"

namespace viewer {

// A file that may hold a texture's image, in the order the search tries them.
struct TTextureCandidate {
    TextureFiles* Files = nullptr;  // the folder it is in, owned by the search
    std::string Found;              // as Files->Find gave it
    std::string Path;               // the file's path, the same for every name that leads to it
    // Relative to the model's folder when inside it or its parent ("../textures/a.tga"),
    // else as the extra folder was given followed by the file.
    std::string Shown;
    // Not the stored name's own file nor that file in an extra folder: using it
    // deserves a note naming it.
    bool Noted = false;
};

class TextureSearch {
public:
    // modelFolder: the model file's folder ("." for the working folder);
    // extraFolders are looked in first, in the order given.
    TextureSearch(const std::string& modelFolder, const std::vector<std::string>& extraFolders);
    ~TextureSearch();
    TextureSearch(const TextureSearch&) = delete;
    TextureSearch& operator=(const TextureSearch&) = delete;

    // Whether a file offered is the one to use.
    using Take = std::function<bool(const TTextureCandidate&)>;

    // Offers take the files a texture name may refer to, best first, each
    // once, until it takes one, which it returns: the folders further down the
    // order are not even listed. None when no file was taken.
    std::optional<TTextureCandidate> FirstTaken(const std::string& name, const Take& take);

private:
    struct Root;
    class Walk;
    // Offers the candidates of one place (folder inside root: empty or ending
    // in "/"); whether one was taken.
    bool OfferPlace(Walk& walk, Root& root, const std::string& folder, const std::string& fileName, bool exactUnnoted);

    std::vector<std::unique_ptr<Root>> extra_;
    std::unique_ptr<Root> model_;
    std::unique_ptr<Root> parent_;  // null when the model's folder has none
    std::string modelFolderName_;   // folded: the parent's subfolder not to look in again
};

}  // namespace viewer
