#include "base/TemporaryFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <random>
#include <thread>

#include "base/Errors.h"

namespace base {

namespace {

// More files than this written at once wait for a free entry.
constexpr std::size_t kSlots = 256;

enum SlotState : int { Free, Claimed, Live, Removing };

// Claimed: being filled in, not yet a file. Live: the handler may remove it.
struct Slot {
    std::atomic<int> state{Free};
    char name[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free state");

Slot slots[kSlots];

std::size_t ClaimSlot() {
    for (;;) {
        for (std::size_t i = 0; i < kSlots; ++i) {
            int expected = Free;
            if (slots[i].state.compare_exchange_strong(expected, Claimed)) return i;
        }
        std::this_thread::yield();
    }
}

// Live back to Claimed; a slot being removed by the handler stays so.
void Unpublish(std::size_t slot) {
    int expected = Live;
    slots[slot].state.compare_exchange_strong(expected, Claimed);
}

std::string RandomSuffix() {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix(6, ' ');
    for (char& c : suffix) c = kLetters[pick(generator)];
    return suffix;
}

// Set by the signal that ends the process: no temporary file is made after it.
std::atomic<bool> ending{false};
// Threads between publishing a name and knowing whether its file was made: the
// handler waits for them, so that the process never ends with one just made.
std::atomic<int> creating{0};

// About a tenth of a second of loads: long enough for a thread inside open(),
// short enough should the signal have interrupted the creating thread itself.
constexpr long kCreationWaits = 50'000'000;

void OnEndingSignal(int signal) {
    ending.store(true);
    for (long wait = 0; wait < kCreationWaits && creating.load() != 0; ++wait) {
    }
    RemoveTemporaryFiles();
    // The handler was reset to the default action: once this returns, the
    // signal, blocked while it runs, ends the process.
    raise(signal);
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& prefix, const std::string& nameInErrors) : slot_(ClaimSlot()) {
    constexpr int kAttempts = 100;
    int error = ENAMETOOLONG;
    for (int attempt = 0; attempt < kAttempts && prefix.size() + 6 < PATH_MAX; ++attempt) {
        path_ = prefix + RandomSuffix();
        std::memcpy(slots[slot_].name, path_.c_str(), path_.size() + 1);
        creating.fetch_add(1);
        if (ending.load()) {
            creating.fetch_sub(1);
            error = EINTR;
            break;
        }
        slots[slot_].state.store(Live);
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        error = errno;
        creating.fetch_sub(1);
        if (fd_ >= 0) return;
        Unpublish(slot_);
        if (error != EEXIST) break;
    }
    slots[slot_].state.store(Free);
    throw EFCreateError(nameInErrors, error);
}

TemporaryFile::~TemporaryFile() {
    Close();
    if (!registered_) return;
    ::unlink(path_.c_str());
    Release();
}

int TemporaryFile::Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
}

void TemporaryFile::Release() {
    registered_ = false;
    int expected = Live;
    slots[slot_].state.compare_exchange_strong(expected, Free);
}

void RemoveTemporaryFiles() noexcept {
    for (Slot& slot : slots) {
        int expected = Live;
        if (slot.state.compare_exchange_strong(expected, Removing)) ::unlink(slot.name);
    }
}

void RemoveTemporaryFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    // Past a file size limit a write fails, as on a full disk, instead of
    // ending the process with its temporary files.
    signal(SIGXFSZ, SIG_IGN);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start (nohup) stays ignored.
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace base
