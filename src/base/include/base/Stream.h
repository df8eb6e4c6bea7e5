#pragma once
// Byte streams: a growable memory buffer with a position, and a file.
// ReadBuffer/WriteBuffer move exactly the bytes asked for or raise the stream's
// read or write error; Read/Write move what they can and report how much.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace base {

class Stream {
public:
    virtual ~Stream() = default;

    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual std::uint64_t Size() const = 0;
    virtual std::uint64_t Position() const = 0;
    // Positions past the end are allowed; reading there reads nothing.
    virtual void Seek(std::uint64_t position) = 0;

    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);

    // Copies count bytes from source's position into this stream.
    void CopyFrom(Stream& source, std::uint64_t count);

    template <typename T>
    T ReadValue() {
        T value;
        ReadBuffer(&value, sizeof value);
        return value;
    }

protected:
    // The read error of a read that ended early; a stream that knows more says more.
    [[noreturn]] virtual void RaiseReadError() const;
};

class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::uint64_t Size() const override { return bytes_.size(); }
    std::uint64_t Position() const override { return position_; }
    void Seek(std::uint64_t position) override { position_ = position; }

    void Clear();
    void SetSize(std::size_t size);
    // Room for size bytes in all, so writes up to that size move nothing.
    void Reserve(std::size_t size) { bytes_.reserve(size); }
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Hands the buffer over without a copy; the stream is left empty.
    std::vector<std::uint8_t> TakeBytes();

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

class FileStream : public Stream {
public:
    enum class Mode { Read, Create };

    // Raises EFOpenError (Read) or EFCreateError (Create) when the file cannot be opened.
    FileStream(const std::string& fileName, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::uint64_t Size() const override;
    std::uint64_t Position() const override { return position_; }
    void Seek(std::uint64_t position) override;

    // Flushes and closes, raising EWriteError if the data could not be written.
    void Close();

protected:
    // Names the file and its size, which tell where the data ended.
    [[noreturn]] void RaiseReadError() const override;

private:
    std::string fileName_;
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    std::uint64_t size_ = 0;
    bool seekPending_ = false;
};

// Reads a whole file into memory; raises EFOpenError or EReadError.
std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName);

// Writes bytes to a temporary file beside fileName and renames it over fileName,
// so an existing file is replaced whole or not at all. When fileName is a symbolic
// link, the file it points to is replaced so, and the link stays. A device or a
// pipe is written straight into, without a temporary file (a pipe waits for its
// reader). Raises EFCreateError or EWriteError, with the system's reason in
// Detail(), and leaves a regular file untouched on failure.
void WriteFileAtomically(const std::string& fileName, const void* data, std::size_t size);

// Removes the file that fileName stands for, the end of its symbolic links (the
// links stay), where WriteFileAtomically would put its new content; nothing when
// there is none. Raises EFCreateError with the system's reason.
void RemoveFileToReplace(const std::string& fileName);

}  // namespace base
