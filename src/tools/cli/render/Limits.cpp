#include "render/Limits.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>
#include <string>

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include "base/Errors.h"
#include "base/EscapeField.h"
#include "base/TemporaryFiles.h"

namespace render {

// Messages are made before the time-out can come: the handler may not
// allocate. One for the run, and one for each model being drawn, which
// stand for it while there are any.
struct TimeOutMessage {
    std::atomic<int> state{0};  // 0 free, 1 being written, 2 ready
    char text[PATH_MAX + 128];
    std::size_t size = 0;
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free state");

namespace {

// Set once the last steps have begun; the signal may reach any thread, so a
// blocked signal mask in one of them would not do.
volatile std::sig_atomic_t timeOutHeld = 0;

TimeOutMessage runMessage;
TimeOutMessage modelMessages[256];

void Compose(TimeOutMessage& message, const std::string& subject) {
    const std::string text =
        "korvane-render: " + base::EscapeField(subject) + ": the time-out has passed; no picture written\n";
    message.size = std::min(text.size(), sizeof message.text);
    std::memcpy(message.text, text.data(), message.size);
}

void Write(const TimeOutMessage& message) {
    const ssize_t written = write(STDERR_FILENO, message.text, message.size);
    static_cast<void>(written);  // nothing more can be done about a lost message here
}

void OnTimeOut(int) {
    if (timeOutHeld) return;
    base::RemoveTemporaryFiles();
    bool named = false;
    for (const TimeOutMessage& message : modelMessages) {
        if (message.state.load() != 2) continue;
        Write(message);
        named = true;
    }
    if (!named) Write(runMessage);
    _exit(1);
}

}  // namespace

TimeOutSubject::TimeOutSubject(const std::string& model) : slot_(nullptr) {
    for (TimeOutMessage& message : modelMessages) {
        int expected = 0;
        if (!message.state.compare_exchange_strong(expected, 1)) continue;
        Compose(message, model);
        message.state.store(2);
        slot_ = &message;
        return;
    }
}

TimeOutSubject::~TimeOutSubject() {
    if (slot_ != nullptr) slot_->state.store(0);
}

void LimitRunTime(unsigned seconds, const std::string& subject) {
    Compose(runMessage, subject);
    struct sigaction action {};
    action.sa_handler = OnTimeOut;
    action.sa_flags = SA_RESTART;  // a held time-out must not break off the writing
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGALRM, &action, nullptr) != 0)
        throw base::Exception(std::string("cannot set the time-out: ") + std::strerror(errno));
    alarm(seconds);
}

void HoldTimeOut() { timeOutHeld = 1; }

void LimitMemory(std::size_t megabytes) {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0)
        throw base::Exception(std::string("cannot read the memory limit: ") + std::strerror(errno));
    const rlim_t bytes = static_cast<rlim_t>(megabytes) << 20;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < bytes) return;
    limit.rlim_cur = bytes;
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        throw base::Exception(std::string("cannot limit the memory: ") + std::strerror(errno));
    mallopt(M_ARENA_MAX, 2);
}

MemoryReserve::MemoryReserve(std::size_t bytes)
    : start_(mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)), bytes_(bytes) {
    if (start_ == MAP_FAILED) start_ = nullptr;
}

MemoryReserve::~MemoryReserve() {
    if (start_ != nullptr) munmap(start_, bytes_);
}

std::optional<int> MemoryLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::nullopt;
    return static_cast<int>(std::min<rlim_t>(limit.rlim_cur >> 20, std::numeric_limits<int>::max()));
}

int PictureSupersampling(int width, int height, bool fit) {
    constexpr long long MaxSupersampledPixels = 2048LL * 2048;
    constexpr int ThumbnailFactor = 2;
    return fit && static_cast<long long>(width) * height <= MaxSupersampledPixels ? ThumbnailFactor : 1;
}

void CheckPictureMemory(int width, int height, int supersampling, int megabytes) {
    // At least what the libraries that draw take before any picture (measured
    // with Mesa's llvmpipe), and per pixel drawn: the colour and depth buffers
    // and the picture read back, with room for the libraries' own copies; per
    // pixel of a picture scaled down, its copy. A limit that passes may still
    // prove too small while drawing, which then fails at once too.
    constexpr long long LibraryMegabytes = 400;
    constexpr long long BytesPerDrawnPixel = 20;
    constexpr long long BytesPerScaledPixel = 8;
    if (megabytes < kMinMemoryMegabytes)
        throw base::Exception("the memory limit is " + std::to_string(megabytes) + " MB, less than the " +
                              std::to_string(kMinMemoryMegabytes) +
                              " MB that drawing needs (--memory, or a limit set from outside)");
    const long long pixels = static_cast<long long>(width) * height;
    const long long drawn = pixels * supersampling * supersampling;
    const long long needed =
        LibraryMegabytes + ((drawn * BytesPerDrawnPixel + (supersampling > 1 ? pixels * BytesPerScaledPixel : 0)) >> 20);
    if (needed > megabytes)
        throw base::Exception("a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                                 " needs about " + std::to_string(needed) + " MB, more than the limit of " +
                                 std::to_string(megabytes) + " MB (--memory, or a limit set from outside)");
}

}  // namespace render
