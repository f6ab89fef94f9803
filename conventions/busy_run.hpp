// Runs a long piece of work off the user-interface thread while the window stays alive.
//
// The work runs on a worker thread. Meanwhile the calling thread keeps serving the window system
// (paint and expose events, so the busy colour stays on screen), shows the busy cursor, calls
// `tick` a few times a second (to show the progress) and holds user input back in `held`: clicks
// and keys are kept and handed over after the calculation, and Esc asks the work to stop. The call
// returns when the work has ended, or rethrows its exception.
#pragma once

#include <functional>

#include "held_input.hpp"

namespace nurlo {

void runKeepingWindowAlive(const std::function<void()>& work, HeldInput& held,
                           const std::function<void()>& tick);

}  // namespace nurlo
