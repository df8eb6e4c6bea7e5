#pragma once
// The reader's error messages. Two-line messages are joined by a carriage return.

namespace model3ds {

inline constexpr const char* kErrorNoDatabase = "The database passed as an argument has not be created yet.";
inline constexpr const char* kErrorWrongDatabase =
    "The database passed as an argument is the wrong kind of\rdatabase for this function.";
inline constexpr const char* kErrorNotAMesh =
    "The Name passed to the functions exists but is not the type of object asked for.\r"
    "For example asking for a mesh object with the GetCameraByName3DS function.";
inline constexpr const char* kErrorInvalidIndex = "Invalid index %d.";
inline constexpr const char* kErrorNoMemory = "Not enough memory to complete operation.";
inline constexpr const char* kErrorInvalidChunk =
    "An invalid Chunk structure was encountered while reading\r"
    "the database. Usually caused by a corrupt database or file.";

// The invalid-chunk error, raised for every structural fault of a file.
[[noreturn]] void RaiseInvalidChunk();

}  // namespace model3ds
