// What the game tells a window; tests supply a window of their own. The window is told and
// never asked.
#pragma once

#include "game/picture.h"

namespace orbel {

class GameView {
  public:
    virtual ~GameView() = default;
    // The game after an event, whole.
    virtual void Show(const GamePicture& picture) = 0;
    virtual void Beep() = 0;
};

}  // namespace orbel
