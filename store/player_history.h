// The player's finished games and the record read from them: games played, won and lost by
// level and by board size, the win share and the winning streaks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "computer/search_tables.h"
#include "engine/board.h"

namespace orbel {

// How a finished game ended, from the board's side: a side won (by a line, or by leaving
// the other without a push), both completed a line at once, or it was given up.
enum class GameResult : int8_t { RedWon, BlueWon, Tie, Abandoned };

// What a person's game came to for that person.
enum class PersonResult : int8_t { Won, Lost, Tie, Abandoned, TwoPlayer };

struct FinishedGame {
    int64_t id = 0;     // the store's number for it: a later game has a higher one
    int64_t ended = 0;  // when it ended or was given up, in seconds since 1970 (UTC)
    int16_t size = 0;
    int16_t level = 0;         // 0 Two Player, 1 Easy .. 11 God
    int16_t computerSide = 0;  // the person played the other colour; 0: the computer never did
    GameResult result = GameResult::Abandoned;
    int16_t moves = 0;

    // Two people shared the board: listed, but never a win or a loss.
    bool TwoPlayer() const { return level == 0 || computerSide == Empty; }
    int16_t PersonSide() const { return static_cast<int16_t>(-computerSide); }
    PersonResult ForPerson() const;
};

// Games of one person against the computer; played counts every one of them.
struct Tally {
    int played = 0;
    int won = 0;
    int lost = 0;
    int tied = 0;
    int abandoned = 0;
    bool operator==(const Tally&) const = default;
};

struct PlayerStatistics {
    Tally all;
    Tally byLevel[kDeepestLevel + 1];  // 1 .. 11; entry 0 stays empty
    Tally bySize[kLargestSize + 1];    // 5, 7, .. 17
    int twoPlayer = 0;
    // Wins in a row up to the newest game against the computer, and the longest such run.
    int currentStreak = 0;
    int longestStreak = 0;

    // Games won of games played, 0 when none was played.
    double WinShare() const { return all.played ? double(all.won) / all.played : 0.0; }
    bool operator==(const PlayerStatistics&) const = default;
};

struct PlayerHistory {
    PlayerStatistics statistics;
    std::vector<FinishedGame> games;  // newest first
};

// The figures of `newestFirst`, the finished games in the store's order, newest first.
PlayerStatistics CountGames(const std::vector<FinishedGame>& newestFirst);

// The history as one line of JSON, for scripts: the figures, then every game newest first.
std::string HistoryJson(const PlayerHistory& history);

}  // namespace orbel
