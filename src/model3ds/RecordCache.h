#pragma once
// The slot logic shared by the mesh and material lists: one slot per index,
// filled on the first request and kept until the list is cleared.
#include <memory>
#include <new>
#include <vector>

#include "base/Errors.h"
#include "Errors3DS.h"
#include "model3ds/File3DS.h"

namespace model3ds {

// The record at index, read by read() when its slot is still empty. An index
// outside the slots raises the list error; a failed read leaves the slot empty.
template <typename Record, typename Read>
Record* CachedRecord(std::vector<std::unique_ptr<Record>>& slots, int index, Read read) {
    if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) throw base::EListError(index);
    std::unique_ptr<Record>& slot = slots[static_cast<std::size_t>(index)];
    if (!slot) {
        try {
            slot = read();
        } catch (const std::bad_alloc&) {
            RaiseError3DS(kErrorNoMemory);
        }
    }
    return slot.get();
}

}  // namespace model3ds
