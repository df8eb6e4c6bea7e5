#pragma once
// Bounds on a run of korvane-render, which meets untrusted files first when a
// file manager asks it for thumbnails.
#include <cstddef>
#include <optional>

namespace render {

// Ends the process with exit status 1 and a message once the given number of
// seconds of real time has passed, unless HoldTimeOut was called before.
void LimitRunTime(unsigned seconds);

// From here on the time-out waits: for the last steps, which must not be cut
// off half-way (writing the picture). The process should end soon after.
void HoldTimeOut();

// Below this much address space the libraries that draw cannot even start:
// some of them then end the process, or never finish.
inline constexpr int kMinMemoryMegabytes = 512;

// Caps the process's address space; allocations past it fail with
// std::bad_alloc. A hard limit set from outside that is lower stays.
// Raises base::Exception when the system refuses.
void LimitMemory(std::size_t megabytes);

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
