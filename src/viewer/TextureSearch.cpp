#include "viewer/TextureSearch.h"

#include <filesystem>
#include <set>
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

// The files offered so far, each offered once, and the one taken.
class TextureSearch::Walk {
public:
    explicit Walk(const Take& take) : take_(take) {}

    // Whether the file is taken; a file offered before is not offered again.
    bool Offer(TTextureCandidate candidate) {
        if (!offered_.insert(candidate.Path).second) return false;
        if (!take_(candidate)) return false;
        taken_ = std::move(candidate);
        return true;
    }

    std::optional<TTextureCandidate> Taken() { return std::move(taken_); }

private:
    const Take& take_;
    std::set<std::string> offered_;
    std::optional<TTextureCandidate> taken_;
};

std::optional<TTextureCandidate> TextureSearch::FirstTaken(const std::string& name, const Take& take) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::string fileName = slash == std::string::npos ? name : name.substr(slash + 1);
    if (fileName.empty()) return std::nullopt;
    Walk walk(take);
    const auto offered = [&] {
        for (const auto& root : extra_)
            if (OfferPlace(walk, *root, "", fileName, true)) return true;
        if (OfferPlace(walk, *model_, slash == std::string::npos ? "" : name.substr(0, slash + 1), fileName, true))
            return true;
        if (OfferPlace(walk, *model_, "", fileName, false)) return true;
        for (const char* folder : kTextureFolders)
            if (OfferPlace(walk, *model_, std::string(folder) + "/", fileName, false)) return true;
        if (!parent_) return false;
        for (const char* folder : kTextureFolders) {
            // The model's own folder is looked in already, and listed once.
            if (folder != modelFolderName_ && OfferPlace(walk, *parent_, std::string(folder) + "/", fileName, false))
                return true;
        }
        return OfferPlace(walk, *parent_, "", fileName, false);
    };
    if (!offered()) return std::nullopt;
    return walk.Taken();
}

bool TextureSearch::OfferPlace(Walk& walk, Root& root, const std::string& folder, const std::string& fileName,
                               bool exactUnnoted) {
    TextureFiles& files = root.files;
    const auto offer = [&](const std::string& file, bool noted) {
        const std::optional<std::string> found = files.Find(folder + file);
        if (!found) return false;
        const std::string path = (std::filesystem::path(root.folder) / *found).string();
        const std::string shown = root.shown.empty() ? *found : (std::filesystem::path(root.shown) / *found).string();
        return walk.Offer({&files, *found, path, shown, noted});
    };
    if (offer(fileName, !exactUnnoted)) return true;
    const std::string stem = fileName.substr(0, fileName.rfind('.'));
    if (stem.empty()) return false;
    for (const char* extension : kStandIns)
        if (offer(stem + extension, true)) return true;
    return false;
}

}  // namespace viewer
