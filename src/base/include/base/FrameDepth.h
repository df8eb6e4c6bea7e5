#pragma once
// How deep frames may nest in the .x data the converter writes and the viewer
// reads: one bound for both, so that whatever one writes the other takes. It is
// above any chain the keyframer's 16-bit node ids can make, and the reader
// nests without recursion, so that a file this deep costs memory, not stack.
namespace base {

inline constexpr int kMaxFrameDepth = 1 << 17;

}  // namespace base
