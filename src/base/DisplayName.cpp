#include "base/DisplayName.h"

#include <iconv.h>

#include <cerrno>

#include "base/Utf8.h"

namespace base {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// An iconv descriptor, closed when done.
class TConverter {
public:
    TConverter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~TConverter() {
        if (Usable()) iconv_close(handle_);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    bool Usable() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return handle_; }

private:
    iconv_t handle_;
};

// ASCII as it is, every other byte U+FFFD: for a system without the converter.
std::string AsciiOnly(std::string_view raw) {
    std::string out;
    for (const char c : raw) {
        if (static_cast<unsigned char>(c) < 0x80) out += c;
        else out += kReplacement;
    }
    return out;
}

// Code page 932 is Shift-JIS with the vendor extensions most files were written with.
std::string DecodeShiftJis(std::string_view raw) {
    TConverter converter("UTF-8", "CP932");
    if (!converter.Usable()) return AsciiOnly(raw);
    std::string out;
    char buffer[256];
    auto* in = const_cast<char*>(raw.data());
    std::size_t inLeft = raw.size();
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t result = iconv(converter.Handle(), &in, &inLeft, &to, &toLeft);
        out.append(buffer, to);
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // A byte that starts no character, or a character cut short at the end.
        out += kReplacement;
        ++in;
        --inLeft;
        iconv(converter.Handle(), nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace

std::string DisplayName(std::string_view raw) {
    if (IsUtf8(raw)) return std::string(raw);
    return DecodeShiftJis(raw);
}

}  // namespace base
