#include "store/player_history.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace orbel {

PersonResult FinishedGame::ForPerson() const {
    if (TwoPlayer()) return PersonResult::TwoPlayer;
    switch (result) {
        case GameResult::Tie:
            return PersonResult::Tie;
        case GameResult::Abandoned:
            return PersonResult::Abandoned;
        case GameResult::RedWon:
            return PersonSide() == Red ? PersonResult::Won : PersonResult::Lost;
        case GameResult::BlueWon:
            return PersonSide() == Blue ? PersonResult::Won : PersonResult::Lost;
    }
    return PersonResult::Abandoned;
}

namespace {

void Count(Tally& tally, PersonResult result) {
    ++tally.played;
    switch (result) {
        case PersonResult::Won:
            ++tally.won;
            break;
        case PersonResult::Lost:
            ++tally.lost;
            break;
        case PersonResult::Tie:
            ++tally.tied;
            break;
        case PersonResult::Abandoned:
        case PersonResult::TwoPlayer:
            ++tally.abandoned;
            break;
    }
}

std::string TallyJson(const Tally& t) {
    return "\"played\":" + std::to_string(t.played) + ",\"won\":" + std::to_string(t.won) +
           ",\"lost\":" + std::to_string(t.lost) + ",\"tied\":" + std::to_string(t.tied) +
           ",\"abandoned\":" + std::to_string(t.abandoned);
}

std::string_view ResultWord(const FinishedGame& game) {
    switch (game.ForPerson()) {
        case PersonResult::Won:
            return "won";
        case PersonResult::Lost:
            return "lost";
        case PersonResult::Tie:
            return "tie";
        case PersonResult::Abandoned:
            return "abandoned";
        case PersonResult::TwoPlayer:
            break;
    }
    switch (game.result) {
        case GameResult::RedWon:
            return "red won";
        case GameResult::BlueWon:
            return "blue won";
        case GameResult::Tie:
            return "tie";
        case GameResult::Abandoned:
            break;
    }
    return "abandoned";
}

std::string DateText(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    char text[32] = "1970-01-01T00:00:00Z";
    if (gmtime_r(&t, &utc)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

PlayerStatistics CountGames(const std::vector<FinishedGame>& newestFirst) {
    PlayerStatistics s;
    int run = 0;
    bool current = true;  // still counting the run that reaches the newest game
    for (const FinishedGame& game : newestFirst) {
        const PersonResult result = game.ForPerson();
        if (result == PersonResult::TwoPlayer) {
            ++s.twoPlayer;
            continue;
        }
        Count(s.all, result);
        if (game.level >= 1 && game.level <= kDeepestLevel) Count(s.byLevel[game.level], result);
        if (IsValidBoardSize(game.size)) Count(s.bySize[game.size], result);
        if (result == PersonResult::Won) {
            ++run;
        } else {
            if (current) s.currentStreak = run;
            current = false;
            run = 0;
        }
        s.longestStreak = std::max(s.longestStreak, run);
    }
    if (current) s.currentStreak = run;
    return s;
}

std::string HistoryJson(const PlayerHistory& history) {
    const PlayerStatistics& s = history.statistics;
    char share[16];
    std::snprintf(share, sizeof share, "%.3f", s.WinShare());
    std::string json = "{" + TallyJson(s.all) + ",\"win_share\":" + share +
                       ",\"current_streak\":" + std::to_string(s.currentStreak) +
                       ",\"longest_streak\":" + std::to_string(s.longestStreak) +
                       ",\"two_player\":" + std::to_string(s.twoPlayer) + ",\"by_level\":[";
    for (int level = 1; level <= kDeepestLevel; ++level) {
        if (level > 1) json += ',';
        json += "{\"level\":" + std::to_string(level) + "," + TallyJson(s.byLevel[level]) + "}";
    }
    json += "],\"by_size\":[";
    for (int size = kSmallestSize; size <= kLargestSize; size += 2) {
        if (size > kSmallestSize) json += ',';
        json += "{\"size\":" + std::to_string(size) + "," + TallyJson(s.bySize[size]) + "}";
    }
    json += "],\"games\":[";
    bool first = true;
    for (const FinishedGame& game : history.games) {
        if (!first) json += ',';
        first = false;
        const bool two = game.TwoPlayer();
        json += "{\"date\":\"" + DateText(game.ended) + "\",\"size\":" + std::to_string(game.size) +
                ",\"level\":" + std::to_string(game.level) + ",\"colour\":" +
                (two                        ? "null"
                 : game.PersonSide() == Red ? "\"red\""
                                            : "\"blue\"") +
                ",\"result\":\"" + std::string(ResultWord(game)) +
                "\",\"moves\":" + std::to_string(game.moves) + "}";
    }
    json += "]}";
    return json;
}

}  // namespace orbel
