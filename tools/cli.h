// orbelfive-cli: analyse a game record, run the search benchmark, or print the player's
// history.
#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string>

#include "computer/search.h"

namespace orbel {

// Exit statuses: 0 done, 1 the benchmark found a fault, 2 bad input (one line on `err`,
// nothing on `out`).
constexpr int kCliDone = 0;
constexpr int kCliFault = 1;
constexpr int kCliBadInput = 2;

// The fast search, the one the game plays with, on `threads` threads (0: one per hardware
// thread).
RootSearch FastRootSearch(int threads);

// `args` are the words after the program's name. `makeSearch` gives the search to run for
// a thread count (0: one per hardware thread).
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const std::function<RootSearch(int threads)>& makeSearch);
// The same search whatever the thread count.
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const RootSearch& search = SearchRootValues);

}  // namespace orbel
