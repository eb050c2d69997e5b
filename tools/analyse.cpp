#include "tools/analyse.h"

#include "engine/move_rules.h"
#include "engine/values.h"

namespace orbel {

void AnalysePosition(BoardState& b, SearchTables& t, const SearchOptions& options, Analysis& out) {
    out.size = b.BoardSize;
    out.sideToMove = b.SideToMove;
    out.moveNumber = b.MoveNumber;
    out.level = options.level;

    int16_t count = 0;
    GenerateMoves(b, {out.codes, out.scores, count});
    out.count = count;

    // The level before first: the tables keep the last search's candidates.
    Tenths shallower = 0;
    if (options.level > 1) {
        SearchRun before;
        before.level = options.level - 1;
        options.search(b, t, before);
        shallower = BestRootValue(t);
    }
    SearchRun run;
    run.level = options.level;
    options.search(b, t, run);
    out.value = BestRootValue(t);
    out.bestCount = BestRootMoves(t, out.best);
    out.evaluation =
        RedView(options.level > 1 ? SteadyValue(out.value, shallower) : out.value, b.SideToMove);

    out.line = {};
    if (out.bestCount == 0) return;
    const BestAt best = [&options, &t](const BoardState& position, int level, BestMoves& set) {
        BoardState searched = position;
        SearchRun later;
        later.level = level;
        if (!options.search(searched, t, later)) return false;
        set.value = BestRootValue(t);
        set.count = BestRootMoves(t, set.codes);
        return true;
    };
    ExpectLine(b, out.best[0], options.level, best, out.line);
}

std::string AnalysisJson(const Analysis& a) {
    std::string json = "{\"size\":" + std::to_string(a.size) +
                       ",\"side_to_move\":" + std::to_string(a.sideToMove) +
                       ",\"move_number\":" + std::to_string(a.moveNumber) + ",\"moves\":[";
    for (int i = 1; i <= a.count; ++i) {
        if (i > 1) json += ',';
        json += "{\"code\":" + std::to_string(a.codes[i]) +
                ",\"cell\":" + std::to_string(PlacementOf(a.codes[i])) +
                ",\"direction\":" + std::to_string(DirectionOf(a.codes[i])) +
                ",\"score\":" + std::to_string(a.scores[i] / 10) + "}";
    }
    json += "],\"level\":" + std::to_string(a.level) + ",\"value\":";
    json += a.count > 0 ? FormatTenths(a.value) : "null";
    json += ",\"best\":[";
    for (int i = 0; i < a.bestCount; ++i) {
        if (i > 0) json += ',';
        json += std::to_string(a.best[i]);
    }
    json += "],\"evaluation\":";
    json += a.count > 0 ? FormatTenths(a.evaluation) : "null";
    json += ",\"line\":[";
    for (int i = 0; i < a.line.count; ++i) {
        if (i > 0) json += ',';
        json += std::to_string(a.line.codes[i]);
    }
    return json + "]}";
}

}  // namespace orbel
