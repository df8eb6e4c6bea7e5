#pragma once
// The audible error signal. Modules without a user interface call Beep(); the
// desktop program installs a hook that sounds the platform's beep.
#include <functional>

namespace base {

void SetBeepHook(std::function<void()> hook);
void Beep();

}  // namespace base
