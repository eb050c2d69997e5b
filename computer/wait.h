// A pause that keeps the caller's events flowing.
#pragma once

#include <functional>

namespace orbel {

// Returns once at least `seconds` have passed on a steady clock, calling handleEvents
// all the while (or sleeping briefly when none is given). Returns at once, without
// handling events, when the pause is not positive.
void WaitSeconds(float seconds, const std::function<void()>& handleEvents = {});

}  // namespace orbel
