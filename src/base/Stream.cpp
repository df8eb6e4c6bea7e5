#include "base/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/Errors.h"
#include "base/TemporaryFiles.h"
#include "base/Texts.h"

namespace base {

namespace {
mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}
}  // namespace

void Stream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) RaiseReadError();
}

void Stream::RaiseReadError() const { throw EReadError(); }

void Stream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

void Stream::CopyFrom(Stream& source, std::uint64_t count) {
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(count, 1 << 20)));
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        count -= n;
    }
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    if (count == 0 || position_ >= bytes_.size()) return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - position_));
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    const std::uint64_t end = position_ + count;
    if (end > bytes_.size()) bytes_.resize(static_cast<std::size_t>(end));
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ = end;
    return count;
}

void MemoryStream::Clear() {
    bytes_.clear();
    position_ = 0;
}

void MemoryStream::SetSize(std::size_t size) {
    bytes_.resize(size);
    position_ = std::min<std::uint64_t>(position_, size);
}

void MemoryStream::LoadFromFile(const std::string& fileName) {
    bytes_ = ReadWholeFile(fileName);
    position_ = 0;
}

void MemoryStream::SaveToFile(const std::string& fileName) const {
    WriteFileAtomically(fileName, bytes_.data(), bytes_.size());
}

std::vector<std::uint8_t> MemoryStream::TakeBytes() {
    position_ = 0;
    return std::move(bytes_);
}

namespace {

// A regular file opened for reading. Anything else (a folder, a FIFO, a device) is
// refused at once: opening a FIFO without O_NONBLOCK would wait for a writer.
std::FILE* OpenRegularFile(const std::string& fileName, std::uint64_t& size) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw EFOpenError(fileName, errno);
    struct stat info {};
    const int statError = fstat(fd, &info) == 0 ? 0 : errno;
    if (statError != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        if (statError != 0) throw EFOpenError(fileName, statError);
        if (S_ISDIR(info.st_mode)) throw EFOpenError(fileName, EISDIR);
        throw EFOpenError(fileName, TErrorDetail{fileName, kNotARegularFile, {}});
    }
    std::FILE* file = nullptr;
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) file = fdopen(fd, "rb");
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        throw EFOpenError(fileName, error);
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

}  // namespace

FileStream::FileStream(const std::string& fileName, Mode mode) : fileName_(fileName) {
    if (mode == Mode::Read) {
        file_ = OpenRegularFile(fileName, size_);
        return;
    }
    file_ = std::fopen(fileName.c_str(), "wb");
    if (file_ == nullptr) throw EFCreateError(fileName);
    struct stat info {};
    if (fstat(fileno(file_), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file_);
        file_ = nullptr;
        throw EFCreateError(fileName);
    }
}

void FileStream::RaiseReadError() const { throw EReadError(fileName_, size_); }

FileStream::~FileStream() {
    if (file_ != nullptr) std::fclose(file_);
}

void FileStream::Close() {
    if (file_ == nullptr) return;
    const bool failed = std::fflush(file_) != 0 || std::ferror(file_) != 0;
    const bool closeFailed = std::fclose(file_) != 0;
    file_ = nullptr;
    if (failed || closeFailed) throw EWriteError();
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    if (file_ == nullptr) return 0;
    if (seekPending_) {
        if (fseeko(file_, static_cast<off_t>(position_), SEEK_SET) != 0) return 0;
        seekPending_ = false;
    }
    const std::size_t n = std::fread(buffer, 1, count, file_);
    position_ += n;
    return n;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
    if (file_ == nullptr) return 0;
    if (seekPending_) {
        if (fseeko(file_, static_cast<off_t>(position_), SEEK_SET) != 0) return 0;
        seekPending_ = false;
    }
    const std::size_t n = std::fwrite(buffer, 1, count, file_);
    position_ += n;
    size_ = std::max(size_, position_);
    return n;
}

std::uint64_t FileStream::Size() const { return size_; }

void FileStream::Seek(std::uint64_t position) {
    // Seeking is deferred to the next transfer so that repeated seeks cost nothing
    // and a seek to the current position keeps the stdio buffer.
    if (position == position_ && !seekPending_) return;
    position_ = position;
    seekPending_ = true;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName) {
    FileStream file(fileName, FileStream::Mode::Read);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
    file.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

namespace {

// Symbolic links are followed at most this many times, as the system does.
constexpr int kMaxLinkHops = 40;

// The file that fileName stands for: the end of its chain of symbolic links, or
// fileName itself. A link that points nowhere yet gives the file it would point to.
std::string LinkTarget(const std::string& fileName) {
    std::filesystem::path path(fileName);
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return path.string();
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) throw EFCreateError(fileName, error.value());
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    throw EFCreateError(fileName, ELOOP);
}

// Writes all bytes to fd; 0 on success, else the system's error number.
int WriteAll(int fd, const std::uint8_t* bytes, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

// A device, a pipe or a socket cannot be replaced by a rename: the bytes go
// straight into it.
void WriteInPlace(const std::string& fileName, const std::string& target, const void* data, std::size_t size) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw EFCreateError(fileName, errno);
    int error = WriteAll(fd, static_cast<const std::uint8_t*>(data), size);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) throw EWriteError(fileName, error);
}

// The target's name and a dot, shortened so that the temporary file's name,
// six characters longer, is one the file system takes.
std::string TemporaryPrefix(const std::string& target) {
    constexpr std::size_t kMaxName = NAME_MAX - 7;
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, nameStart) + target.substr(nameStart, kMaxName) + ".";
}

}  // namespace

void WriteFileAtomically(const std::string& fileName, const void* data, std::size_t size) {
    // Through a symbolic link the file it points to is replaced; the link stays.
    const std::string target = LinkTarget(fileName);
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode))
        return WriteInPlace(fileName, target, data, size);
    TemporaryFile temporary(TemporaryPrefix(target), fileName);
    int error = WriteAll(temporary.Descriptor(), static_cast<const std::uint8_t*>(data), size);
    // A new file gets the usual permissions rather than the temporary file's owner-only ones.
    fchmod(temporary.Descriptor(), exists ? (existing.st_mode & 07777) : 0666 & ~CurrentUmask());
    // No fsync: the rename alone guarantees that readers see the old file or the
    // whole new one, and forcing the data to disk would cost more than the export.
    const int closeError = temporary.Close();
    if (error == 0) error = closeError;
    if (error == 0 && std::rename(temporary.Path().c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) throw EWriteError(fileName, error);
    temporary.Release();
}

void RemoveFileToReplace(const std::string& fileName) {
    const std::string target = LinkTarget(fileName);
    if (::unlink(target.c_str()) != 0 && errno != ENOENT) throw EFCreateError(fileName, errno);
}

}  // namespace base
