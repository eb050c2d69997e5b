// One game on the table for the controller tests: a window that keeps the last picture, a
// clock that runs when the test says so, and a computer the test finishes by hand.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "computer/search.h"
#include "engine/move_rules.h"
#include "game/game.h"

namespace orbel::testing {

struct FakeView : GameView {
    GamePicture shown;
    int shows = 0;
    int beeps = 0;
    void Show(const GamePicture& picture) override {
        shown = picture;
        ++shows;
    }
    void Beep() override { ++beeps; }
};

// Pauses and posted answers run only when the test lets time pass.
struct ManualScheduler : Scheduler {
    std::deque<std::function<void()>> pending;
    std::vector<float> pauses;
    void After(float seconds, std::function<void()> then) override {
        pauses.push_back(seconds);
        pending.push_back(std::move(then));
    }
    void Post(std::function<void()> then) override { pending.push_back(std::move(then)); }
    void RunAll() {
        while (!pending.empty()) {
            auto next = std::move(pending.front());
            pending.pop_front();
            next();
        }
    }
};

// Searches with the reference search when the test says the computer has finished.
struct HandComputer : Computer {
    struct Request {
        BoardState position;
        int level;
        Answer answer;
    };
    std::vector<Request> requests;
    int cancels = 0;
    // A cancelled search still answers later, as a real one may have done already.
    bool answerAfterCancel = false;
    SearchTables tables;

    void Start(const BoardState& position, int level, Answer answer) override {
        requests.push_back({position, level, std::move(answer)});
    }
    void Cancel() override {
        ++cancels;
        if (!answerAfterCancel) requests.clear();
    }
    // Finishes the oldest request; false when none is waiting.
    bool Finish() {
        if (requests.empty()) return false;
        Request r = std::move(requests.front());
        requests.erase(requests.begin());
        SearchRun run;
        run.level = r.level;
        SearchRootValues(r.position, tables, run);
        BestMoves best;
        best.value = BestRootValue(tables);
        best.count = BestRootMoves(tables, best.codes);
        r.answer(best);
        return true;
    }
};

// The game with its window open. The clock outlives the game, as the program's does.
struct Table {
    ManualScheduler clock;
    FakeView view;
    HandComputer* computer = nullptr;
    std::unique_ptr<Game> game;

    // `seeds` seeds each new game's coin flips instead of the clock.
    explicit Table(std::function<uint32_t()> seeds = {}) {
        auto hand = std::make_unique<HandComputer>();
        computer = hand.get();
        game = std::make_unique<Game>(clock, std::move(hand), std::move(seeds));
    }

    GameController& play() { return game->controller(); }
    const GameState& state() const { return game->state(); }
    const BoardState& board() const { return game->state().board; }
    const MoveHistory& history() const { return game->state().history; }
    const GamePicture& shown() const { return view.shown; }

    // A new game of `size` at `level`, as the size window starts it.
    void Open(int size, int level = 1) {
        game->ChooseSize(size);
        Show(level);
    }
    // A read record, as Load Game opens it.
    void Open(const GameRecord& record, int level = 1) {
        game->TakeRecord(record);
        Show(level);
    }
    void Show(int level) {
        play().Attach(&view);
        play().OpenGame(level);
    }

    // Lets the computer think and show its move.
    void ComputerAnswers() {
        clock.RunAll();
        while (computer->Finish()) clock.RunAll();
    }
    // Cell, arrow, confirming click on the centre mark.
    void PersonMoves(int cell, int direction) {
        play().ChooseCell(cell);
        play().ChoosePush(direction);
        play().ChoosePush(0);
    }
    // The game goes on from these orbels, `side` to move at `moveNumber`.
    void SetPosition(std::initializer_list<std::pair<int, int>> orbels, int side, int moveNumber) {
        BoardState b;
        StartPosition(b, board().BoardSize);
        b.Board[CentreCell(b.BoardSize)] = Empty;
        for (auto [cell, colour] : orbels) b.Board[cell] = static_cast<int16_t>(colour);
        b.SideToMove = static_cast<int16_t>(side);
        b.MoveNumber = static_cast<int16_t>(moveNumber);
        play().SetUpPosition(b);
    }
};

}  // namespace orbel::testing
