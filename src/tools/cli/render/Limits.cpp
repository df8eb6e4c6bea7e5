#include "render/Limits.h"

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "base/Errors.h"
#include "base/TemporaryFiles.h"

namespace render {

namespace {

// Set once the last steps have begun; the signal may reach any thread, so a
// blocked signal mask in one of them would not do.
volatile std::sig_atomic_t timeOutHeld = 0;

void OnTimeOut(int) {
    if (timeOutHeld) return;
    static const char message[] = "korvane-render: the time-out has passed; no picture written\n";
    base::RemoveTemporaryFiles();
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    static_cast<void>(written);  // nothing more can be done about a lost message here
    _exit(1);
}

}  // namespace

void LimitRunTime(unsigned seconds) {
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
