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

// Stream failures.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError();
};

class EWriteError : public EStreamError {
public:
    EWriteError();
};

class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& fileName);
};

class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& fileName);
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
