#include "viewer/TextureFiles.h"

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/AsciiCase.h"

namespace viewer {

namespace {

enum class EntryKind { Folder, RegularFile, Other };

// The name's parts between "/" and "\", with "." and empty parts dropped and
// each ".." taking back the part before it; none for an absolute name or one
// that goes up past its start.
std::optional<std::vector<std::string>> NormalParts(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
        const std::string part = name.substr(start, end - start);
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    if (parts.empty()) return std::nullopt;
    return parts;
}

// The kind of a folder's entry from the type its listing gave; the file
// itself is asked only where the listing did not know.
EntryKind KindOf(int folder, const std::string& name, unsigned char type) {
    if (type == DT_DIR) return EntryKind::Folder;
    if (type == DT_REG) return EntryKind::RegularFile;
    if (type != DT_UNKNOWN) return EntryKind::Other;
    struct stat status {};
    if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
    if (S_ISDIR(status.st_mode)) return EntryKind::Folder;
    return S_ISREG(status.st_mode) ? EntryKind::RegularFile : EntryKind::Other;
}

}  // namespace

OpenFile::~OpenFile() {
    if (descriptor_ >= 0) close(descriptor_);
}

std::uint64_t OpenFile::Size() const {
    struct stat status {};
    return fstat(descriptor_, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

std::vector<std::uint8_t> OpenFile::ReadAll() const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Size()));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = pread(descriptor_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

// A folder's entries by name folded to lower case.
struct TextureFiles::Directory {
    struct Entry {
        std::string name;
        unsigned char type;  // as the listing gave it
    };
    OpenFile handle;
    std::multimap<std::string, Entry> entries;

    // The entry of that name: spelled so, else the first by name among those
    // spelled in other capitals.
    const Entry* Match(const std::string& name) const {
        const auto [first, last] = entries.equal_range(base::LowerAscii(name));
        const Entry* best = nullptr;
        for (auto it = first; it != last; ++it) {
            if (it->second.name == name) return &it->second;
            if (!best || it->second.name < best->name) best = &it->second;
        }
        return best;
    }
};

TextureFiles::TextureFiles(std::string folder) : folder_(std::move(folder)) {}

TextureFiles::~TextureFiles() = default;

TextureFiles::Directory* TextureFiles::DirectoryAt(const std::string& path) {
    const auto known = directories_.find(path);
    if (known != directories_.end()) return known->second.get();
    int descriptor = -1;
    if (path.empty()) {
        descriptor = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        const std::size_t slash = path.rfind('/');
        const Directory* parent = DirectoryAt(slash == std::string::npos ? std::string() : path.substr(0, slash));
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (parent)
            descriptor = openat(parent->handle.Descriptor(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    std::unique_ptr<Directory> directory;
    if (descriptor >= 0) {
        directory = std::make_unique<Directory>(Directory{OpenFile(descriptor), {}});
        // The listing gets a descriptor of its own: closedir closes it.
        if (DIR* listing = fdopendir(dup(descriptor))) {
            while (const dirent* entry = readdir(listing)) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..") continue;
                directory->entries.emplace(base::LowerAscii(name), Directory::Entry{name, entry->d_type});
            }
            closedir(listing);
        }
    }
    return directories_.emplace(path, std::move(directory)).first->second.get();
}

std::optional<std::string> TextureFiles::Find(const std::string& name) {
    const auto parts = NormalParts(name);
    if (!parts) return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < parts->size(); ++i) {
        const Directory* directory = DirectoryAt(path);
        const Directory::Entry* entry = directory ? directory->Match((*parts)[i]) : nullptr;
        const EntryKind wanted = i + 1 == parts->size() ? EntryKind::RegularFile : EntryKind::Folder;
        if (!entry || KindOf(directory->handle.Descriptor(), entry->name, entry->type) != wanted) return std::nullopt;
        path += (path.empty() ? "" : "/") + entry->name;
    }
    return path;
}

std::optional<OpenFile> TextureFiles::Open(const std::string& found) {
    const std::size_t slash = found.rfind('/');
    const Directory* directory = DirectoryAt(slash == std::string::npos ? std::string() : found.substr(0, slash));
    if (!directory) return std::nullopt;
    const std::string name = slash == std::string::npos ? found : found.substr(slash + 1);
    // Not blocking: a pipe put in the file's place would otherwise wait for a writer.
    OpenFile file(openat(directory->handle.Descriptor(), name.c_str(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status {};
    if (file.Descriptor() < 0 || fstat(file.Descriptor(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return file;
}

}  // namespace viewer
