#include "viewer/TextureSearch.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/AsciiCase.h"

namespace viewer {

namespace {

// The folders of a collection that hold its textures, looked for in any capitals.
constexpr const char* kTextureFolders[] = {"textures", "texture", "maps", "images", "tex", "bitmaps"};

// The forms a texture is taken in where its own file is absent or cannot be decoded.
constexpr const char* kStandIns[] = {".png", ".jpg", ".jpeg", ".tga", ".bmp", ".gif"};

}  // namespace

struct TextureSearch::Root {
    TextureFiles files;
    std::string folder;  // as opened
    std::string shown;   // what a note puts before a file found here; empty for the model's folder
};

TextureSearch::TextureSearch(const std::string& modelFolder, const std::vector<std::string>& extraFolders) {
    for (const std::string& folder : extraFolders)
        extra_.push_back(std::unique_ptr<Root>(new Root{TextureFiles(folder), folder, folder}));
    const std::string own = modelFolder.empty() ? std::string(".") : modelFolder;
    model_.reset(new Root{TextureFiles(own), own, ""});
    // The parent as the user sees it: a model folder reached through a link
    // has the link's folder as its parent.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(own, error).lexically_normal();
    if (error) return;
    if (folder.filename().empty()) folder = folder.parent_path();
    const std::filesystem::path parent = folder.parent_path();
    if (parent.empty() || parent == folder) return;
    parent_.reset(new Root{TextureFiles(parent.string()), parent.string(), ".."});
    modelFolderName_ = base::LowerAscii(folder.filename().string());
}

TextureSearch::~TextureSearch() = default;

std::vector<TTextureCandidate> TextureSearch::Candidates(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::string fileName = slash == std::string::npos ? name : name.substr(slash + 1);
    if (fileName.empty()) return {};
    std::vector<TTextureCandidate> out;
    for (const auto& root : extra_) AddPlace(*root, "", fileName, true, out);
    AddPlace(*model_, slash == std::string::npos ? "" : name.substr(0, slash + 1), fileName, true, out);
    AddPlace(*model_, "", fileName, false, out);
    for (const char* folder : kTextureFolders) AddPlace(*model_, std::string(folder) + "/", fileName, false, out);
    if (!parent_) return out;
    for (const char* folder : kTextureFolders) {
        // The model's own folder is looked in already, and listed once.
        if (folder != modelFolderName_) AddPlace(*parent_, std::string(folder) + "/", fileName, false, out);
    }
    AddPlace(*parent_, "", fileName, false, out);
    return out;
}

void TextureSearch::AddPlace(Root& root, const std::string& folder, const std::string& fileName,
                             bool exactUnnoted, std::vector<TTextureCandidate>& out) {
    TextureFiles& files = root.files;
    const auto add = [&](const std::string& file, bool noted) {
        const std::optional<std::string> found = files.Find(folder + file);
        if (!found) return;
        const std::string path = (std::filesystem::path(root.folder) / *found).string();
        const bool known = std::any_of(out.begin(), out.end(), [&](const TTextureCandidate& c) { return c.Path == path; });
        if (known) return;
        const std::string shown = root.shown.empty() ? *found : (std::filesystem::path(root.shown) / *found).string();
        out.push_back({&files, *found, path, shown, noted});
    };
    add(fileName, !exactUnnoted);
    const std::string stem = fileName.substr(0, fileName.rfind('.'));
    if (stem.empty()) return;
    for (const char* extension : kStandIns) add(stem + extension, true);
}

}  // namespace viewer
