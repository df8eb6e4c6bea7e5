#pragma once
// Bounds on a run of korvane-render, which meets untrusted files first when a
// file manager asks it for thumbnails.
#include <cstddef>
#include <optional>
#include <string>

namespace render {

// Ends the process with exit status 1 and a message once the given number of
// seconds of real time has passed, unless HoldTimeOut was called before. The
// message names each model being drawn then (TimeOutSubject), or else subject
// (the file or folder of the run).
void LimitRunTime(unsigned seconds, const std::string& subject);

struct TimeOutMessage;

// While it lives, the model a time-out names.
class TimeOutSubject {
public:
    explicit TimeOutSubject(const std::string& model);
    ~TimeOutSubject();
    TimeOutSubject(const TimeOutSubject&) = delete;
    TimeOutSubject& operator=(const TimeOutSubject&) = delete;

private:
    TimeOutMessage* slot_;  // null when every slot is taken: the run's subject stands for it
};

// From here on the time-out waits: for the last steps, which must not be cut
// off half-way (writing the picture). The process should end soon after.
void HoldTimeOut();

// Below this much address space the libraries that draw cannot even start:
// some of them then end the process, or never finish.
inline constexpr int kMinMemoryMegabytes = 512;

// Caps the process's address space; allocations past it fail with
// std::bad_alloc. A hard limit set from outside that is lower stays. The
// allocator then keeps few arenas: each reserves address space that the
// threads of the graphics libraries would take without using it.
// Raises base::Exception when the system refuses.
void LimitMemory(std::size_t megabytes);

// Address space held back while it lives: a model loads within what is left,
// and drawing it, which the graphics libraries cannot survive failing for
// want of memory, gets the room back. Holds nothing when there is no room.
class MemoryReserve {
public:
    explicit MemoryReserve(std::size_t bytes);
    ~MemoryReserve();
    MemoryReserve(const MemoryReserve&) = delete;
    MemoryReserve& operator=(const MemoryReserve&) = delete;

private:
    void* start_;
    std::size_t bytes_;
};
// The address space the process may take now, in megabytes, whoever set the
// limit; none when there is no limit.
std::optional<int> MemoryLimit();

// How many times larger, in each direction, a picture is drawn before it is
// scaled down: fitted pictures (thumbnails) are anti-aliased so unless they are
// large enough to need much memory and little smoothing; others are drawn as
// the viewer draws them.
int PictureSupersampling(int width, int height, bool fit);

// Raises base::Exception, before anything is drawn, when the limit is below
// kMinMemoryMegabytes or the buffers of a picture of that size and
// supersampling cannot fit in it: drawing would fail only part-way through,
// after the libraries have taken their share.
void CheckPictureMemory(int width, int height, int supersampling, int megabytes);

}  // namespace render
