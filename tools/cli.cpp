#include "tools/cli.h"

#include <charconv>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "bench/analysis_bench.h"
#include "bench/bench_run.h"
#include "bench/response_bench.h"
#include "bench/review_bench.h"
#include "computer/analysis.h"
#include "computer/fast_search.h"
#include "engine/game_moves.h"
#include "game/game_review.h"
#include "orbel_version.h"
#include "records/record_file.h"
#include "store/game_store.h"
#include "tools/analyse.h"
#include "tools/review.h"

namespace orbel {

namespace {

constexpr std::string_view kUsage =
    "usage: orbelfive-cli analyse [--level L] RECORD_FILE | review [--level L] RECORD_FILE | "
    "bench [--level L] [--reference] [--threads T] [--analysis | --review | --response] | "
    "history";
constexpr std::string_view kHelp =
    "usage: orbelfive-cli analyse [--level L] RECORD_FILE\n"
    "       orbelfive-cli review [--level L] RECORD_FILE\n"
    "       orbelfive-cli bench [--level L] [--reference] [--threads T]\n"
    "                           [--analysis | --review | --response]\n"
    "       orbelfive-cli history\n"
    "       orbelfive-cli -h | --help | -v | --version\n"
    "\n"
    "  analyse        print the position a game record reaches, its candidate moves, the\n"
    "                 best of them, its evaluation and the line the search expects, as JSON\n"
    "                 on one line\n"
    "  review         print every completed move of a game record with its value, the best\n"
    "                 value and moves, both held still, and the loss, as JSON, one line per\n"
    "                 move\n"
    "  bench          search fixed positions; print nodes, time, nodes per second and a\n"
    "                 signature of the results\n"
    "  history        print the player's record kept by the game (games played, won and\n"
    "                 lost by level and size, the win share, the streaks, every finished\n"
    "                 game newest first) as JSON on one line\n"
    "  --level L      search depth in plies, 1 to 11 (analyse 1, review 5, bench 6 unless\n"
    "                 told)\n"
    "  --reference    bench: also run the step-by-step search and check that both agree\n"
    "  --threads T    bench: search threads, 1 to 256 (1 unless told)\n"
    "  --analysis     bench: time the analysis instead: levels 1 to L (7 unless told) of\n"
    "                 two middle games, and the review of a whole game at level 5\n"
    "  --review       bench: review games of the computer and of random moves at level 5;\n"
    "                 count the mistakes and how open values spread\n"
    "  --response     bench: time the game's computer at level L (11 unless told) on the\n"
    "                 middle games with the analysis window's searches stopped as it\n"
    "                 starts, and without them\n"
    "\n"
    "Exit status: 0 done, 1 the benchmark found a fault, 2 bad input.\n";
constexpr int kMostThreads = 256;
constexpr int kReferenceAlwaysUpTo = 4;

std::optional<int> WholeNumber(std::string_view text, int lowest, int highest) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        return std::nullopt;
    return value;
}

// Walks the words after the command; every refusal is one message.
class Arguments {
  public:
    explicit Arguments(std::span<const std::string> words) : words_(words) {}

    bool Done() const { return at_ == words_.size(); }
    std::string_view Next() { return words_[at_++]; }

    // The number after an option, or a message in `problem`.
    int NumberFor(std::string_view option, int lowest, int highest, std::string& problem) {
        const std::string range = std::to_string(lowest) + " to " + std::to_string(highest);
        if (Done()) {
            problem = std::string(option) + " needs a whole number from " + range;
            return 0;
        }
        const std::string_view word = Next();
        const std::optional<int> value = WholeNumber(word, lowest, highest);
        if (!value)
            problem = std::string(option) + " must be a whole number from " + range + ", not '" +
                      std::string(word) + "'";
        return value.value_or(0);
    }

  private:
    std::span<const std::string> words_;
    size_t at_ = 0;
};

int BadInput(std::ostream& err, std::string_view message) {
    err << "orbelfive-cli: " << message << "\n";
    return kCliBadInput;
}

int Analyse(Arguments args, std::ostream& out, std::ostream& err,
            const std::function<RootSearch(int)>& make) {
    SearchOptions options;
    options.level = 1;
    options.threads = 0;
    std::string file;
    std::string problem;
    while (!args.Done() && problem.empty()) {
        const std::string_view word = args.Next();
        if (word == "--level")
            options.level = args.NumberFor(word, 1, kDeepestLevel, problem);
        else if (word.starts_with("-"))
            problem = "analyse: unknown option '" + std::string(word) + "'";
        else if (!file.empty())
            problem = "analyse takes one record file, not also '" + std::string(word) + "'";
        else
            file = word;
    }
    if (!problem.empty()) return BadInput(err, problem);
    if (file.empty()) return BadInput(err, "analyse: missing the record file");
    options.search = make(options.threads);

    auto record = std::make_unique<GameRecord>();
    const RecordStatus status = ReadRecordFile(file, *record);
    if (!status.Ok()) return BadInput(err, file + ": " + RecordMessage(status));
    // The reader has played every move already.
    auto b = std::make_unique<BoardState>();
    ReplayMoves(record->BoardSize, record->Moves, *b);

    auto tables = std::make_unique<SearchTables>();
    auto analysis = std::make_unique<Analysis>();
    AnalysePosition(*b, *tables, options, *analysis);
    out << AnalysisJson(*analysis) << "\n";
    return kCliDone;
}

int Review(Arguments args, std::ostream& out, std::ostream& err) {
    int level = kReviewLevel;
    std::string file;
    std::string problem;
    while (!args.Done() && problem.empty()) {
        const std::string_view word = args.Next();
        if (word == "--level")
            level = args.NumberFor(word, 1, kDeepestLevel, problem);
        else if (word.starts_with("-"))
            problem = "review: unknown option '" + std::string(word) + "'";
        else if (!file.empty())
            problem = "review takes one record file, not also '" + std::string(word) + "'";
        else
            file = word;
    }
    if (!problem.empty()) return BadInput(err, problem);
    if (file.empty()) return BadInput(err, "review: missing the record file");

    auto record = std::make_unique<GameRecord>();
    const RecordStatus status = ReadRecordFile(file, *record);
    if (!status.Ok()) return BadInput(err, file + ": " + RecordMessage(status));

    // One thread per core, as analyse searches. The reader has checked every move.
    AnalyserOptions options;
    options.threads = 0;
    auto analyser = std::make_unique<Analyser>(options);
    ReviewGame(*analyser, record->BoardSize, record->Moves, level, nullptr,
               [&out, level](const ReviewedMove& move) {
                   out << ReviewedMoveJson(move, level) << "\n" << std::flush;
               });
    return kCliDone;
}

// Reads the game's store as it stands; the game may be running and writing meanwhile.
int History(Arguments args, std::ostream& out, std::ostream& err) {
    if (!args.Done())
        return BadInput(err, "history takes nothing more, not '" + std::string(args.Next()) + "'");
    const std::filesystem::path file = GameStore::PlayerFile();
    if (file.empty()) return BadInput(err, "history: neither XDG_DATA_HOME nor HOME is set");
    std::string problem;
    const std::optional<StoreContents> contents = ReadStore(file, problem);
    if (!contents) return BadInput(err, "history: " + problem);
    out << HistoryJson(contents->history) << "\n";
    return kCliDone;
}

// What `bench` was told; each mode takes what it needs.
struct BenchArguments {
    int level = 0;  // 0: the mode's own level
    int threads = 1;
    bool threadsGiven = false;
    bool reference = false;
    bool analysis = false;
    bool review = false;
    bool response = false;
};

std::string ReadBenchArguments(Arguments args, BenchArguments& a) {
    std::string problem;
    while (!args.Done() && problem.empty()) {
        const std::string_view word = args.Next();
        if (word == "--level") {
            a.level = args.NumberFor(word, 1, kDeepestLevel, problem);
        } else if (word == "--threads") {
            a.threads = args.NumberFor(word, 1, kMostThreads, problem);
            a.threadsGiven = true;
        } else if (word == "--reference") {
            a.reference = true;
        } else if (word == "--analysis") {
            a.analysis = true;
        } else if (word == "--review") {
            a.review = true;
        } else if (word == "--response") {
            a.response = true;
        } else {
            problem = "bench: unknown argument '" + std::string(word) + "'";
        }
    }
    if (!problem.empty()) return problem;
    if ((a.analysis || a.response) && a.reference)
        return "bench: --analysis and --response have no reference to compare with; leave out "
               "--reference";
    if (a.analysis && a.response) return "bench: --analysis or --response, not both";
    if (a.response && a.threadsGiven)
        return "bench: --response plays on one thread per core, as the game does; leave out "
               "--threads";
    if (a.review && (a.reference || a.analysis || a.response || a.threadsGiven || a.level > 0))
        return "bench: --review plays and reviews at fixed levels and takes no other option";
    return "";
}

int SearchBench(const BenchArguments& a, std::ostream& out,
                const std::function<RootSearch(int)>& make) {
    SearchOptions options;
    options.level = a.level > 0 ? a.level : kBenchLevel;
    options.threads = a.threads;
    options.search = make(options.threads);
    // Up to level 4 the step-by-step search is cheap, so it always runs.
    const bool reference = a.reference || options.level <= kReferenceAlwaysUpTo;
    const BenchSummary summary = RunBench(BenchPositions(), options, reference, out);
    const bool fault =
        summary.refusedPosition || (reference && summary.signature != summary.referenceSignature);
    return fault ? kCliFault : kCliDone;
}

int AnalysisBench(const BenchArguments& a, std::ostream& out) {
    const int deepest = a.level > 0 ? a.level : kAnalysisBenchLevel;
    return RunAnalysisBench(deepest, a.threads, out) ? kCliDone : kCliFault;
}

int ResponseBench(const BenchArguments& a, std::ostream& out) {
    return RunResponseBench(a.level > 0 ? a.level : kDeepestLevel, out) ? kCliDone : kCliFault;
}

int Bench(Arguments args, std::ostream& out, std::ostream& err,
          const std::function<RootSearch(int)>& make) {
    BenchArguments a;
    const std::string problem = ReadBenchArguments(args, a);
    if (!problem.empty()) return BadInput(err, problem);
    if (a.analysis) return AnalysisBench(a, out);
    if (a.review) return RunReviewBench(out) ? kCliDone : kCliFault;
    if (a.response) return ResponseBench(a, out);
    return SearchBench(a, out, make);
}

}  // namespace

RootSearch FastRootSearch(int threads) {
    FastSearchOptions options;
    options.threads = threads;
    auto search = std::make_shared<FastSearch>(options);
    return [search](BoardState& b, SearchTables& t, SearchRun& run) {
        return search->RootValues(b, t, run);
    };
}

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const std::function<RootSearch(int)>& makeSearch) {
    if (args.empty()) return BadInput(err, kUsage);
    const std::string_view command = args[0];
    Arguments rest(args.subspan(1));
    if (command == "--help" || command == "-h") {
        out << kHelp;
        return kCliDone;
    }
    if (command == "--version" || command == "-v") {
        out << "orbelfive-cli " << kVersion << "\n";
        return kCliDone;
    }
    if (command == "analyse") return Analyse(rest, out, err, makeSearch);
    if (command == "review") return Review(rest, out, err);
    if (command == "bench") return Bench(rest, out, err, makeSearch);
    if (command == "history") return History(rest, out, err);
    return BadInput(err, "unknown command '" + std::string(command) + "'; " + std::string(kUsage));
}

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const RootSearch& search) {
    return RunCli(args, out, err, std::function<RootSearch(int)>([search](int) { return search; }));
}

}  // namespace orbel
