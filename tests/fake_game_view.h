// A window made of arrays, the manual clock and a computer the test drives by hand.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "computer/search.h"
#include "game/background_computer.h"
#include "game/scheduler.h"
#include "game/view.h"

namespace orbel::testing {

struct FakeView : GameView {
    bool button[kBoardEntries] = {};
    bool image[kBoardEntries] = {};
    int picture[kBoardEntries] = {};
    bool arrow[10] = {};
    std::string message;
    int ring = 0;
    int beeps = 0;
    bool backward = false, forward = false, undo = false, hint = false;
    int busyDepth = 0;
    int level = -1;
    int defaultPointerCalls = 0;
    int placedMark = 0, standsMark = 0;
    std::vector<int> winning;
    int focus = 0;

    void DrawCell(int cell, int value) override {
        if (value != 0) {
            picture[cell] = value;
            button[cell] = false;
        } else {
            button[cell] = true;
        }
    }
    void SetCellButtonVisible(int cell, bool v) override { button[cell] = v; }
    void SetCellImageVisible(int cell, bool v) override { image[cell] = v; }
    void SetCellButtonsDefaultPointer() override { ++defaultPointerCalls; }
    void SetArrowVisible(int d, bool v) override { arrow[d] = v; }
    void ShowMessage(std::string_view text, int side) override {
        message = std::string(text);
        ring = side;
    }
    void Beep() override { ++beeps; }
    void SetBackwardVisible(bool v) override { backward = v; }
    void SetForwardVisible(bool v) override { forward = v; }
    void SetUndoEnabled(bool e) override { undo = e; }
    void SetHintEnabled(bool e) override { hint = e; }
    void SetBusyPointer(bool busy) override { busyDepth = busy ? 1 : 0; }
    void SetLevelChecked(int l) override { level = l; }
    void ShowLastMove(int placed, int stands) override {
        placedMark = placed;
        standsMark = stands;
    }
    void ShowWinningCells(const CellList& cells) override {
        winning.assign(cells.cell, cells.cell + cells.count);
    }
    void ShowFocusCell(int cell) override { focus = cell; }

    // What a person sees on a cell: -1, +1, or 0 when its button shows or nothing shows.
    int Shown(int cell) const { return button[cell] || !image[cell] ? 0 : picture[cell]; }
};

// Pauses run only when the test lets time pass.
struct ManualScheduler : Scheduler {
    std::deque<std::function<void()>> pending;
    std::vector<float> pauses;
    void After(float seconds, std::function<void()> then) override {
        pauses.push_back(seconds);
        pending.push_back(std::move(then));
    }
    void RunAll() {
        while (!pending.empty()) {
            auto next = std::move(pending.front());
            pending.pop_front();
            next();
        }
    }
};

// Searches with the reference search when the test says the computer has finished.
struct HandComputer : BackgroundComputer {
    struct Request {
        BoardState position;
        int level;
        std::function<void(const BestMoves&)> done;
    };
    std::vector<Request> requests;
    int cancels = 0;
    bool deliverAfterCancel = false;
    SearchTables tables;

    void Start(const BoardState& position, int level,
               std::function<void(const BestMoves&)> done) override {
        requests.push_back({position, level, std::move(done)});
    }
    void Cancel() override {
        ++cancels;
        if (!deliverAfterCancel) requests.clear();
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
        r.done(best);
        return true;
    }
};

}  // namespace orbel::testing
