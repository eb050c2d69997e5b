// The pauses of a computer move, kept by the window's clock.
#pragma once

#include <functional>

namespace orbel {

class Scheduler {
  public:
    virtual ~Scheduler() = default;
    // Runs `then` after a pause, on the controller's thread, while events go on being handled.
    virtual void After(float seconds, std::function<void()> then) = 0;
};

}  // namespace orbel
