#include "computer/wait.h"

#include <chrono>
#include <thread>

namespace orbel {

void WaitSeconds(float seconds, const std::function<void()>& handleEvents) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::duration<float>(seconds);
    while (end > Clock::now()) {
        if (handleEvents)
            handleEvents();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace orbel
