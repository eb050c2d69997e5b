// The game's pauses on Qt timers, and answers from the computer's thread delivered on the
// window's.
#pragma once

#include <QObject>

#include "game/scheduler.h"

namespace orbel {

// What it still holds dies with it: a late pause or answer then runs nowhere.
class QtScheduler final : public Scheduler {
  public:
    void After(float seconds, std::function<void()> then) override;
    void Post(std::function<void()> then) override;

  private:
    QObject context_;
};

}  // namespace orbel
