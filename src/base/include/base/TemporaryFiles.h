#pragma once
// Temporary files that a signal must not leave behind. Each live one is named in
// a fixed table that a signal handler can walk without allocating or locking.
#include <cstddef>
#include <string>

namespace base {

// A new empty file named prefix followed by six random characters, mode 0600,
// open for writing. Its name is in the table before the file exists and until
// Release, so a signal never strands it; destruction before Release removes it.
class TemporaryFile {
public:
    // Raises EFCreateError for nameInErrors, with the system's reason, when no
    // file can be made.
    TemporaryFile(const std::string& prefix, const std::string& nameInErrors);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }
    // Closes the descriptor; 0, or the system's error number.
    int Close();
    // Forgets the file, which was renamed away: it is no longer removed here.
    void Release();

private:
    std::string path_;
    std::size_t slot_;
    int fd_ = -1;
    bool registered_ = true;
};

// Removes every file in the table. Safe to call from a signal handler.
void RemoveTemporaryFiles() noexcept;

// On SIGINT, SIGTERM and SIGHUP: removes every temporary file, then ends the
// process by the same signal with its default action. A signal ignored
// already (nohup) stays ignored. SIGXFSZ is ignored: a write past the file
// size limit fails with EFBIG.
void RemoveTemporaryFilesOnSignals();

}  // namespace base
