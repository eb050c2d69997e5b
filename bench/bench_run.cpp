#include "bench/bench_run.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>

#include "computer/search.h"

namespace orbel {

namespace {

constexpr uint64_t kFnvOffset = 14695981039346656037ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

void Fold(uint64_t& hash, int64_t value) {
    for (int byte = 0; byte < 8; ++byte) {
        hash ^= static_cast<uint64_t>(value >> (8 * byte)) & 0xff;
        hash *= kFnvPrime;
    }
}

struct Timed {
    uint64_t nodes = 0;
    double ms = 0;
};

Timed TimeSearch(const RootSearch& search, BoardState& b, SearchTables& t, int level) {
    SearchRun run;
    run.level = level;
    const auto start = std::chrono::steady_clock::now();
    search(b, t, run);
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return {run.nodes, spent.count()};
}

// The root row as the search left it: codes in sorted order, the best value, the best moves.
uint64_t RootRowSignature(const SearchTables& t) {
    uint64_t hash = kFnvOffset;
    Fold(hash, t.SearchCount[1]);
    for (int i = 1; i <= t.SearchCount[1]; ++i) Fold(hash, t.SearchMoves[1][i]);
    Fold(hash, BestRootValue(t));
    int16_t best[kMaxCandidates + 1];
    const int count = BestRootMoves(t, best);
    for (int i = 0; i < count; ++i) Fold(hash, best[i]);
    return hash;
}

std::string BestMoves(const SearchTables& t) {
    int16_t best[kMaxCandidates + 1];
    const int count = BestRootMoves(t, best);
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += std::to_string(best[i]);
    }
    return count ? text : "-";
}

std::string Line(const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

// One position searched by the given search and, when asked, by the reference as well.
struct PositionRun {
    Timed search;
    uint64_t signature = 0;
    std::string best;
    Timed reference;
    uint64_t referenceSignature = 0;
};

PositionRun RunPosition(const BoardState& start, const SearchOptions& options, bool reference,
                        SearchTables& t) {
    PositionRun result;
    BoardState b = start;
    result.search = TimeSearch(options.search, b, t, options.level);
    result.signature = RootRowSignature(t);
    result.best = BestMoves(t);
    if (reference) {
        b = start;
        result.reference = TimeSearch(SearchRootValues, b, t, options.level);
        result.referenceSignature = RootRowSignature(t);
    }
    return result;
}

void PrintTotals(const BenchSummary& summary, bool reference, std::ostream& out) {
    const double seconds = summary.ms / 1000;
    out << Line("total nodes %" PRIu64 "  total ms %.1f  nodes/s %.0f  signature %016" PRIx64 "\n",
                summary.nodes, summary.ms, seconds > 0 ? summary.nodes / seconds : 0.0,
                summary.signature);
    if (reference) {
        const bool same = summary.signature == summary.referenceSignature;
        out << Line("reference total ms %.1f  ratio %.2f  signature %016" PRIx64 "  %s\n",
                    summary.referenceMs, summary.ms > 0 ? summary.referenceMs / summary.ms : 0.0,
                    summary.referenceSignature, same ? "same results" : "RESULTS DIFFER");
    }
}

}  // namespace

BenchSummary RunBench(std::span<const BenchPosition> positions, const SearchOptions& options,
                      bool reference, std::ostream& out) {
    BenchSummary summary;
    summary.signature = summary.referenceSignature = kFnvOffset;
    auto tables = std::make_unique<SearchTables>();
    auto start = std::make_unique<BoardState>();
    out << Line("level %d, %zu positions, threads %d\n", options.level, positions.size(),
                options.threads);
    out << "  #  size  moves        nodes         ms" << (reference ? "     ref ms  ratio" : "")
        << "  best\n";
    int index = 0;
    for (const BenchPosition& position : positions) {
        ++index;
        if (!SetUpBenchPosition(position, *start)) {
            summary.refusedPosition = true;
            out << Line("%3d  the rules refuse a move of this position\n", index);
            continue;
        }
        const PositionRun run = RunPosition(*start, options, reference, *tables);
        summary.nodes += run.search.nodes;
        summary.ms += run.search.ms;
        Fold(summary.signature, static_cast<int64_t>(run.signature));
        out << Line("%3d  %4d  %5d  %11" PRIu64 "  %9.1f", index, position.size,
                    position.moves.count(), run.search.nodes, run.search.ms);
        if (reference) {
            summary.referenceMs += run.reference.ms;
            Fold(summary.referenceSignature, static_cast<int64_t>(run.referenceSignature));
            const double ratio = run.search.ms > 0 ? run.reference.ms / run.search.ms : 0.0;
            out << Line("  %9.1f  %5.2f", run.reference.ms, ratio)
                << (run.referenceSignature != run.signature ? "  DIFFERS" : "");
        }
        out << "  " << run.best << "\n";
    }
    PrintTotals(summary, reference, out);
    return summary;
}

}  // namespace orbel
