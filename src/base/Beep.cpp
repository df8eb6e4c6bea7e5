#include "base/Beep.h"

#include <utility>

namespace base {

namespace {
std::function<void()>& BeepHook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void SetBeepHook(std::function<void()> hook) { BeepHook() = std::move(hook); }

void Beep() {
    if (BeepHook()) BeepHook()();
}

}  // namespace base
