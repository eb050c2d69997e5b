#include "computer/computer_player.h"

#include <utility>

namespace orbel {

ComputerPlayer::ComputerPlayer()
    : fast_(std::make_unique<FastSearch>()),
      tables_(std::make_unique<SearchTables>()),
      position_(std::make_unique<BoardState>()),
      job_(std::make_unique<BoardState>()) {}

ComputerPlayer::ComputerPlayer(RootSearch search)
    : search_(std::move(search)),
      tables_(std::make_unique<SearchTables>()),
      position_(std::make_unique<BoardState>()),
      job_(std::make_unique<BoardState>()) {}

ComputerPlayer::~ComputerPlayer() = default;

BestMoves ComputerPlayer::Choose(const BoardState& position, int level,
                                 const std::atomic<bool>& cancel) {
    if (fast_) {
        BestMoves best;
        if (!fast_->Best(position, level, &cancel, best)) return BestMoves{};
        return best;
    }
    *position_ = position;
    SearchRun run;
    run.level = level;
    run.stop = &cancel;
    BestMoves best;
    if (!search_(*position_, *tables_, run) || run.Stopped()) return best;
    best.value = BestRootValue(*tables_);
    best.count = BestRootMoves(*tables_, best.codes);
    return best;
}

void ComputerPlayer::Start(const BoardState& position, int level, Answer answer) {
    worker_.Cancel();
    *job_ = position;
    worker_.Run([this, level, answer = std::move(answer)](const std::atomic<bool>& stop) {
        answer(Choose(*job_, level, stop));
    });
}

// A search not yet begun is dropped unanswered; a running one is stopped and answers empty.
void ComputerPlayer::Cancel() {
    worker_.Cancel();
}

int PickBestMove(const BestMoves& best, RandomSource& random) {
    if (best.count == 0) return 0;
    return best.codes[CoinFlipWalk(
        best.count, [](int) { return 0; }, random)];
}

}  // namespace orbel
