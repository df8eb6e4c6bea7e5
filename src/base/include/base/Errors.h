#pragma once
// The exception hierarchy shared by every module. Each class carries its
// message text, the one the user sees in message boxes; a message made of a
// text with values keeps both, so that a window can show the text translated.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace base {

// What a message leaves out, for reports that can say more than it: the file the
// failure is about and why, each empty when unknown. The reason, like a message,
// keeps its text ("%s" marks) and its values apart.
struct TErrorDetail {
    std::string file;
    std::string text;
    std::vector<std::string> values;
};

class Exception : public std::runtime_error {
public:
    // A whole message: it is its own text, without values.
    explicit Exception(const std::string& message);
    // The message text with each "%s" replaced, in order, by one of values.
    Exception(const std::string& text, std::vector<std::string> values, TErrorDetail detail = {});

    // "ファイル %s は開けません": the message before its values went in.
    const std::string& Text() const { return text_; }
    const std::vector<std::string>& Values() const { return values_; }
    const TErrorDetail& Detail() const { return detail_; }

private:
    std::string text_;
    std::vector<std::string> values_;
    TErrorDetail detail_;
};

// text with each "%s" replaced, in order, by one of values; a "%s" past the last value stays.
std::string FillValues(const std::string& text, const std::vector<std::string>& values);

// A message whose lines are joined by carriage returns, as the readers' messages
// are, with its lines joined by newlines instead: the form every program prints.
std::string MessageLines(const std::string& message);

// Stream failures. The message is the short text users see in the window's boxes;
// a failure on a file also carries, in Detail(), the file and the system's reason.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError();
    // The file fileName, of size bytes, ended before the data being read.
    EReadError(const std::string& fileName, std::uint64_t size);
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
    // Opening the file failed with errno systemError.
    EFOpenError(const std::string& fileName, int systemError);
    EFOpenError(const std::string& fileName, TErrorDetail detail);
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
