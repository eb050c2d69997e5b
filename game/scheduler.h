// The game's clock and its way back onto its own thread, kept by the window's event loop.
#pragma once

#include <functional>

namespace orbel {

class Scheduler {
  public:
    virtual ~Scheduler() = default;
    // Runs `then` after a pause, on the game's thread, while events go on being handled.
    virtual void After(float seconds, std::function<void()> then) = 0;
    // Runs `then` soon on the game's thread; may be called from any thread.
    virtual void Post(std::function<void()> then) = 0;
};

}  // namespace orbel
