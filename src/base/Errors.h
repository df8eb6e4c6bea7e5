#pragma once
// The exception hierarchy shared by every module. Each class carries only its
// message text; the texts are the ones the user sees in message boxes.
#include <stdexcept>
#include <string>

namespace base {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A message whose lines are joined by carriage returns, as the readers' messages
// are, with its lines joined by newlines instead: the form every program prints.
std::string MessageLines(const std::string& message);

// Stream failures. The message is the short text users see in the window's boxes;
// a failure on a file may also carry, for callers that report more than that,
// Detail(): the file's name where the message has none, and the system's reason.
class EStreamError : public Exception {
public:
    using Exception::Exception;
    EStreamError(const std::string& message, std::string detail);

    // For example "out.x: No space left on device"; empty when nothing is known.
    const std::string& Detail() const { return detail_; }

private:
    std::string detail_;
};

class EReadError : public EStreamError {
public:
    EReadError();
};

class EWriteError : public EStreamError {
public:
    EWriteError();
    // Writing to target (a file name, or "standard output") failed with errno systemError.
    EWriteError(const std::string& target, int systemError);
};

class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& fileName);
};

class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& fileName);
    // Creating the file failed with errno systemError.
    EFCreateError(const std::string& fileName, int systemError);
};

// Index out of range in one of the record lists.
class EListError : public Exception {
public:
    explicit EListError(long long index);
};

// A text read as a number that is not one.
class EConvertError : public Exception {
public:
    explicit EConvertError(const std::string& text);
};

}  // namespace base
