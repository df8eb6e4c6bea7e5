#pragma once
// The files that a model's texture names refer to, found only inside the
// model's folder, because a model is untrusted (a thumbnail is drawn of every
// file downloaded). A name is relative, with "/" or "\" between folders; it may
// differ from the disk in letter case (3D Studio stores names in capitals) and
// may go up with ".." only as far as the folder. No symbolic link is followed,
// not even one that stays inside, and only regular files are opened. Each
// folder is listed once, however many names are looked up.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace viewer {

// A file opened for reading; closed when destroyed.
class OpenFile {
public:
    explicit OpenFile(int descriptor) : descriptor_(descriptor) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
    OpenFile& operator=(OpenFile&&) = delete;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int Descriptor() const { return descriptor_; }
    std::uint64_t Size() const;
    // The whole content; what could be read when reading fails half-way.
    std::vector<std::uint8_t> ReadAll() const;

private:
    int descriptor_;
};

class TextureFiles {
public:
    explicit TextureFiles(std::string folder);
    ~TextureFiles();
    TextureFiles(const TextureFiles&) = delete;
    TextureFiles& operator=(const TextureFiles&) = delete;

    // The regular file that a texture name refers to, as its path inside the
    // folder spelled as on the disk, so the same for every name of one file.
    // None when there is no such file or the name leads outside the folder.
    std::optional<std::string> Find(const std::string& name);
    // A file that Find gave, opened; none when it is no longer a regular file.
    std::optional<OpenFile> Open(const std::string& found);

private:
    struct Directory;
    // The folder at a path that Find resolved (spelled as on the disk; empty
    // for the model's folder), opened and listed on first use; null when it
    // cannot be opened as a folder.
    Directory* DirectoryAt(const std::string& path);

    std::string folder_;
    std::map<std::string, std::unique_ptr<Directory>> directories_;
};

}  // namespace viewer
