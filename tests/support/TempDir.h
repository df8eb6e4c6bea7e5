#pragma once
// A fresh folder for one test, removed with everything in it when the test ends.
#include <filesystem>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path root_;  // the folder made, holding path_
    std::filesystem::path path_;
};

// Writes bytes to path, creating the folders on the way.
void SaveFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
// The whole content of the file at path; empty when there is none.
std::string ReadFile(const std::filesystem::path& path);

// Every regular file below folder, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::filesystem::path& folder);

// The folder of real model files written by other programs, or empty when absent.
std::filesystem::path SharedModels();

}  // namespace testsupport
