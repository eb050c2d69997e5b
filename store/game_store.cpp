#include "store/game_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>

#include "game/game.h"
#include "store/sqlite.h"

namespace orbel {

namespace {

// The database's format, in PRAGMA user_version. A file of a newer format is never written.
constexpr int kStoreVersion = 1;
// How long a write waits for a lock that another program (the command line reading the
// history) holds on the database.
constexpr int kBusyMilliseconds = 250;
// Names tried for a damaged database set aside: games.db.bad, games.db.bad.2, ...
constexpr int kMostSetAside = 100;

// One row in current_game, the game in hand; moves and the record as the record file holds
// them, "placed moved placed moved ...". A finished game is copied into finished_games once.
constexpr const char* kSchema = R"(
BEGIN IMMEDIATE;
CREATE TABLE current_game (
    id INTEGER PRIMARY KEY CHECK (id = 1),
    size INTEGER NOT NULL,
    level INTEGER NOT NULL,
    computer INTEGER NOT NULL,
    moves TEXT NOT NULL,
    record TEXT NOT NULL,
    branch INTEGER NOT NULL,
    backward INTEGER NOT NULL,
    forward INTEGER NOT NULL,
    over INTEGER NOT NULL,
    counted INTEGER NOT NULL,
    changed INTEGER NOT NULL
);
CREATE TABLE finished_games (
    id INTEGER PRIMARY KEY,
    ended INTEGER NOT NULL,
    size INTEGER NOT NULL CHECK (size BETWEEN 5 AND 17),
    level INTEGER NOT NULL CHECK (level BETWEEN 0 AND 11),
    computer INTEGER NOT NULL CHECK (computer BETWEEN -1 AND 1),
    result TEXT NOT NULL CHECK (result IN ('red won', 'blue won', 'tie', 'abandoned')),
    move_count INTEGER NOT NULL,
    moves TEXT NOT NULL
);
PRAGMA user_version = 1;
COMMIT;
)";

constexpr std::string_view kResultWords[] = {"red won", "blue won", "tie", "abandoned"};
static_assert(static_cast<int>(GameResult::RedWon) == 0 &&
              static_cast<int>(GameResult::Abandoned) == 3);

std::string_view ResultWord(GameResult result) {
    return kResultWords[static_cast<int>(result)];
}

bool ReadResult(std::string_view word, GameResult& result) {
    for (int r = 0; r < 4; ++r)
        if (word == kResultWords[r]) {
            result = static_cast<GameResult>(r);
            return true;
        }
    return false;
}

GameResult ResultOf(const KeptGame& game) {
    if (!game.over) return GameResult::Abandoned;
    const FirstEnding end = FindFirstEnding(game.boardSize, game.moves);
    if (end.ending == Ending::Open) return GameResult::Abandoned;
    if (end.ending == Ending::BothLines) return GameResult::Tie;
    return WinnerOf(end.ending) == Red ? GameResult::RedWon : GameResult::BlueWon;
}

std::string MovesText(const GameMoves& moves) {
    std::string text;
    for (int m = 1; m <= moves.count(); ++m) {
        if (m > 1) text += ' ';
        text += std::to_string(moves[m].placed);
        text += ' ';
        text += std::to_string(moves[m].moved);
    }
    return text;
}

bool ToSmall(int64_t value, int16_t& out) {
    if (value < INT16_MIN || value > INT16_MAX) return false;
    out = static_cast<int16_t>(value);
    return true;
}

bool ReadMoves(std::string_view text, GameMoves& moves) {
    moves.Clear();
    const char* at = text.data();
    const char* const end = at + text.size();
    int16_t pair[2];
    int half = 0;
    while (true) {
        while (at < end && *at == ' ') ++at;
        if (at == end) return half == 0;
        int64_t value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || !ToSmall(value, pair[half])) return false;
        at = next;
        if (at < end && *at != ' ') return false;
        if (++half == 2) {
            if (moves.full()) return false;
            moves.Add({pair[0], pair[1]});
            half = 0;
        }
    }
}

bool ReadCurrentRow(sqlite::Connection& db, std::optional<KeptGame>& game, int64_t& changed) {
    sqlite::Statement row(db,
                          "SELECT size, level, computer, moves, record, branch, backward, "
                          "forward, over, changed FROM current_game WHERE id = 1");
    game.reset();
    if (!row.Row()) return !row.Failed();
    KeptGame kept;
    const bool read = ToSmall(row.Int(0), kept.boardSize) && ToSmall(row.Int(1), kept.level) &&
                      ToSmall(row.Int(2), kept.computerSide) &&
                      ReadMoves(row.Text(3), kept.moves) && ReadMoves(row.Text(4), kept.record) &&
                      ToSmall(row.Int(5), kept.branchMove);
    kept.backwardOffered = row.Int(6) != 0;
    kept.forwardOffered = row.Int(7) != 0;
    kept.over = row.Int(8) != 0;
    changed = row.Int(9);
    // A row that cannot be played again is no game to continue.
    if (read && IsSoundKeptGame(kept)) game = std::move(kept);
    return true;
}

// Rows the schema could not have let in are passed over.
bool ReadFinishedGames(sqlite::Connection& db, std::vector<FinishedGame>& games) {
    sqlite::Statement rows(db,
                           "SELECT id, ended, size, level, computer, result, move_count "
                           "FROM finished_games ORDER BY id DESC");
    games.clear();
    while (rows.Row()) {
        FinishedGame game;
        game.id = rows.Int(0);
        game.ended = rows.Int(1);
        if (ToSmall(rows.Int(2), game.size) && IsValidBoardSize(game.size) &&
            ToSmall(rows.Int(3), game.level) && game.level >= 0 && game.level <= kDeepestLevel &&
            ToSmall(rows.Int(4), game.computerSide) && game.computerSide >= Red &&
            game.computerSide <= Blue && ReadResult(rows.Text(5), game.result) &&
            ToSmall(rows.Int(6), game.moves) && game.moves >= 0)
            games.push_back(game);
    }
    return !rows.Failed();
}

// SQLite's report as one line, not too long for a message.
std::string OneLine(const std::string& report) {
    constexpr size_t kLongest = 160;
    std::string line;
    for (char c : report) {
        if (c == '\n') c = ' ';
        if (!(c == ' ' && (line.empty() || line.back() == ' '))) line += c;
    }
    if (line.size() > kLongest) line = line.substr(0, kLongest) + "...";
    return line;
}

int PrimaryCode(const sqlite::Connection& db) {
    return db.Code() & 0xff;
}

// A second name for `from` that never replaces a file already there.
bool MoveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system without it: a second link, then the first name goes.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

std::filesystem::path WithSuffix(const std::filesystem::path& file, const char* suffix) {
    std::filesystem::path named = file;
    named += suffix;
    return named;
}

enum class Opened { Keeps, Damaged, Refused };

// Opens `file` for keeping games: ours and sound, in WAL mode with every commit synced.
// A file that is not a database, not one of ours or damaged is Damaged; one that cannot be
// written, is in use or is of a newer format is Refused, untouched. `why` says which.
Opened OpenForKeeping(sqlite::Connection& db, const std::filesystem::path& file, std::string& why) {
    const std::string name = file.string();
    if (!db.Open(name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) {
        why = "cannot open " + name + ": " + db.Error();
        return Opened::Refused;
    }
    sqlite3_busy_timeout(db.handle(), kBusyMilliseconds);
    if (sqlite3_db_readonly(db.handle(), "main") == 1) {
        why = "cannot write " + name + ": it is read-only";
        return Opened::Refused;
    }
    auto failed = [&db, &why, &name](const char* doing) {
        const int code = PrimaryCode(db);
        if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) {
            why = "is damaged (" + db.Error() + ")";
            return Opened::Damaged;
        }
        why = std::string("cannot ") + doing + " " + name + ": " + db.Error();
        return Opened::Refused;
    };
    int64_t version = 0;
    int64_t tables = 0;
    {
        sqlite::Statement read(db, "PRAGMA user_version");
        if (!read.Row()) return failed("read");
        version = read.Int(0);
    }
    if (version > kStoreVersion) {
        why = name + " was written by a newer Orbel Five (format " + std::to_string(version) +
              "); this one keeps no games and leaves it as it is";
        return Opened::Refused;
    }
    {
        sqlite::Statement read(db,
                               "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                               "name IN ('current_game', 'finished_games')");
        if (!read.Row()) return failed("read");
        tables = read.Int(0);
    }
    if (version == 0) {
        sqlite::Statement any(db, "SELECT count(*) FROM sqlite_schema");
        if (!any.Row()) return failed("read");
        if (any.Int(0) > 0) {
            why = "is not a store of Orbel Five's games";
            return Opened::Damaged;
        }
    } else {
        if (tables != 2) {
            why = "is damaged (its tables are missing)";
            return Opened::Damaged;
        }
        sqlite::Statement check(db, "PRAGMA quick_check");
        if (!check.Row()) return failed("check");
        if (check.Text(0) != "ok") {
            why = "is damaged (" + OneLine(check.Text(0)) + ")";
            return Opened::Damaged;
        }
    }
    // One sync per commit, of the write-ahead log: a kill or a power loss keeps every
    // committed change. A file system without shared memory stays in its journal mode,
    // which is as safe and only slower.
    if (!db.Run("PRAGMA journal_mode = WAL") || !db.Run("PRAGMA synchronous = FULL"))
        return failed("set up");
    if (version == 0 && !db.Run(kSchema)) {
        const Opened verdict = failed("write");
        db.Run("ROLLBACK");
        return verdict;
    }
    return Opened::Keeps;
}

}  // namespace

// ---- Opening ---------------------------------------------------------------------------------

void GameStore::TellStandardError(const std::string& line) {
    std::fprintf(stderr, "orbelfive: %s\n", line.c_str());
}

std::filesystem::path GameStore::PlayerFile() {
    std::filesystem::path base;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        std::string folder = home ? home : "";
        if (folder.empty())
            if (const passwd* user = getpwuid(getuid()); user && user->pw_dir)
                folder = user->pw_dir;
        if (folder.empty()) return {};
        base = std::filesystem::path(folder) / ".local" / "share";
    }
    return base / "orbelfive" / "games.db";
}

GameStore::GameStore(const std::filesystem::path& file, Teller tell)
    : file_(file), tell_(std::move(tell)), db_(std::make_unique<sqlite::Connection>()) {
    Open();
    if (!openProblem_.empty()) Tell(openProblem_);
    if (keeps_) writer_ = std::thread([this] { WriteLoop(); });
}

void GameStore::Open() {
    if (file_.empty()) {
        openProblem_ = "no folder for the player's games: neither XDG_DATA_HOME nor HOME is set";
        return;
    }
    const std::string name = file_.string();
    std::error_code error;
    const std::filesystem::path folder = file_.parent_path();
    std::filesystem::create_directories(folder, error);
    if (error) {
        openProblem_ = "cannot make the folder " + folder.string() + ": " + error.message() +
                       "; games are not kept";
        return;
    }
    const auto status = std::filesystem::status(file_, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        openProblem_ = name + " is not a file; games are not kept";
        return;
    }
    // Two running copies would each take the other's game for their own: the first keeps.
    const std::filesystem::path lock = WithSuffix(file_, ".lock");
    lockFile_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFile_ < 0) {
        openProblem_ = "cannot write in " + folder.string() + ": " + std::strerror(errno) +
                       "; games are not kept";
        return;
    }
    if (flock(lockFile_, LOCK_EX | LOCK_NB) != 0) {
        openProblem_ = errno == EWOULDBLOCK
                           ? name +
                                 " is in use by another running Orbel Five; this one keeps "
                                 "no games"
                           : "cannot lock " + lock.string() + ": " + std::strerror(errno) +
                                 "; games are not kept";
        return;
    }
    std::string why;
    Opened opened = OpenForKeeping(*db_, file_, why);
    if (opened == Opened::Damaged) {
        db_->Close();
        if (!SetAside(why)) return;
        opened = OpenForKeeping(*db_, file_, why);
    }
    if (opened != Opened::Keeps) {
        db_->Close();
        openProblem_ = why.find(name) == std::string::npos ? why + " (" + name + ")" : why;
        if (openProblem_.find("keeps no games") == std::string::npos)
            openProblem_ += "; games are not kept";
        return;
    }
    keeps_ = true;
    ReadCurrentGame();
}

// The damaged file and its journal keep their bytes under a name of their own; the shared
// memory index is only ever rebuilt from them.
bool GameStore::SetAside(const std::string& why) {
    const std::string name = file_.string();
    for (int n = 1; n <= kMostSetAside; ++n) {
        const std::filesystem::path bad =
            WithSuffix(file_, n == 1 ? ".bad" : (".bad." + std::to_string(n)).c_str());
        if (!MoveNoReplace(file_, bad)) {
            if (errno == EEXIST) continue;
            break;
        }
        for (const char* journal : {"-wal", "-journal"}) {
            const std::filesystem::path from = WithSuffix(file_, journal);
            if (access(from.c_str(), F_OK) == 0 && !MoveNoReplace(from, WithSuffix(bad, journal))) {
                openProblem_ = name + " " + why + " and its journal " + from.string() +
                               " cannot be set aside: " + std::strerror(errno) +
                               "; games are not kept";
                return false;
            }
        }
        unlink(WithSuffix(file_, "-shm").c_str());
        openProblem_ =
            name + " " + why + "; it is kept as " + bad.string() + " and a new one begun";
        return true;
    }
    openProblem_ = name + " " + why + " and cannot be set aside: " + std::strerror(errno) +
                   "; games are not kept";
    return false;
}

void GameStore::ReadCurrentGame() {
    std::optional<KeptGame> game;
    int64_t changed = 0;
    if (ReadCurrentRow(*db_, game, changed) && game) {
        latest_ = std::move(game);
        pending_ = true;
        pendingWhen_ = changed;
    }
}

GameStore::~GameStore() {
    if (writer_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            stalled_ = false;  // one last try for what is still waiting
        }
        wake_.notify_one();
        writer_.join();
    }
    db_->Close();
    if (lockFile_ >= 0) ::close(lockFile_);
}

bool GameStore::Keeps() const {
    std::lock_guard lock(mutex_);
    return keeps_;
}

std::string GameStore::Problem() const {
    std::lock_guard lock(mutex_);
    return writeProblem_.empty() ? openProblem_ : writeProblem_;
}

// Said once until something else goes wrong.
void GameStore::Tell(const std::string& problem) {
    if (problem == told_) return;
    told_ = problem;
    if (tell_) tell_(problem);
}

// ---- The game in hand ------------------------------------------------------------------------

void GameStore::Attach(Game& game) {
    game.SetKeeper(this);
}

std::optional<KeptGame> GameStore::Unfinished() const {
    std::lock_guard lock(mutex_);
    if (!keeps_ || !latest_ || latest_->over || (latest_->moves.empty() && latest_->record.empty()))
        return std::nullopt;
    return latest_;
}

bool GameStore::Continue(Game& game) {
    const std::optional<KeptGame> kept = Unfinished();
    return kept && game.Continue(*kept);
}

// A game that is not the one the last run left, while that one waits, replaces it: that
// one is left first.
void GameStore::GameChanged(const KeptGame& game) {
    if (!IsValidBoardSize(game.boardSize)) return;
    std::lock_guard lock(mutex_);
    const bool same = latest_ && latest_->boardSize == game.boardSize &&
                      latest_->moves == game.moves && latest_->record == game.record;
    if (pending_ && !same && keeps_) Hand({true, *latest_, pendingWhen_});
    pending_ = false;
    latest_ = game;
    if (keeps_) Hand({false, game, std::time(nullptr)});
}

// Until the game takes up the game the last run left, that one is the game in hand.
void GameStore::GameLeft(const KeptGame& game) {
    std::lock_guard lock(mutex_);
    Change change{true, pending_ ? *latest_ : game, pending_ ? pendingWhen_ : std::time(nullptr)};
    pending_ = false;
    latest_.reset();
    if (keeps_ && IsValidBoardSize(change.game.boardSize)) Hand(std::move(change));
}

// A change still waiting gives way to a later one of the same game, unless it ended the
// game or left it.
void GameStore::Hand(Change change) {
    const auto mergeable = [](const Change& c) { return !c.left && !c.game.over; };
    if (!change.left && !waiting_.empty() && mergeable(waiting_.back()))
        waiting_.back() = std::move(change);
    else
        waiting_.push_back(std::move(change));
    ++handed_;
    stalled_ = false;
    wake_.notify_one();
}

// ---- The writer --------------------------------------------------------------------------------

void GameStore::WriteLoop() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || (!waiting_.empty() && !stalled_); });
        // Only when stopping: nothing is left, or the last try failed.
        if (waiting_.empty() || stalled_) break;
        std::deque<Change> batch;
        batch.swap(waiting_);
        writing_ = true;
        const uint64_t handed = handed_;
        lock.unlock();
        std::string failure;
        const bool written = WriteBatch(batch, failure);
        lock.lock();
        writing_ = false;
        if (written) {
            if (!writeProblem_.empty()) told_.clear();
            writeProblem_.clear();
        } else {
            // Tried again, first, with the next change.
            for (auto c = batch.rbegin(); c != batch.rend(); ++c)
                waiting_.push_front(std::move(*c));
            stalled_ = handed_ == handed;
            writeProblem_ = "cannot keep the game in " + file_.string() + ": " + failure +
                            "; trying again at the next move";
            Tell(writeProblem_);
        }
        written_.notify_all();
    }
    written_.notify_all();
}

void GameStore::WaitUntilWritten() {
    std::unique_lock lock(mutex_);
    written_.wait(lock, [this] {
        return !writer_.joinable() || (!writing_ && (waiting_.empty() || stalled_));
    });
}

// One transaction for the batch: all of it is written, or none.
bool GameStore::WriteBatch(const std::deque<Change>& batch, std::string& failure) {
    std::lock_guard lock(dbMutex_);
    bool written = db_->Run("BEGIN IMMEDIATE");
    for (auto c = batch.begin(); written && c != batch.end(); ++c) written = Write(*c);
    if (written) written = db_->Run("COMMIT");
    if (!written) {
        failure = db_->Error();
        if (!sqlite3_get_autocommit(db_->handle())) db_->Run("ROLLBACK");
    }
    return written;
}

bool GameStore::Write(const Change& change) {
    const KeptGame& game = change.game;
    bool counted = false;
    {
        sqlite::Statement read(*db_, "SELECT counted FROM current_game WHERE id = 1");
        if (read.Row()) counted = read.Int(0) != 0;
        if (read.Failed()) return false;
    }
    if (change.left) {
        if (!counted && !game.moves.empty() && !RecordFinished(game, change.when)) return false;
        return sqlite::Statement(*db_, "DELETE FROM current_game").Run();
    }
    if (game.over && !counted) {
        if (!RecordFinished(game, change.when)) return false;
        counted = true;
    }
    sqlite::Statement write(*db_,
                            "INSERT OR REPLACE INTO current_game (id, size, level, computer, "
                            "moves, record, branch, backward, forward, over, counted, changed) "
                            "VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    write.Bind(1, game.boardSize)
        .Bind(2, game.level)
        .Bind(3, game.computerSide)
        .Bind(4, MovesText(game.moves))
        .Bind(5, MovesText(game.record))
        .Bind(6, game.branchMove)
        .Bind(7, game.backwardOffered)
        .Bind(8, game.forwardOffered)
        .Bind(9, game.over)
        .Bind(10, counted)
        .Bind(11, change.when);
    return write.Run();
}

// A game that only replayed a read record, every move from it, is no game of the player's:
// given up, it is not kept, and ended it is kept only when the history does not hold it
// already, so opening a finished game and stepping to its end never counts it twice.
bool GameStore::RecordFinished(const KeptGame& game, int64_t when) {
    const std::string moves = MovesText(game.moves);
    const bool replayed =
        !game.record.empty() && game.moves.SharedWith(game.record) == game.moves.count();
    if (replayed) {
        if (!game.over) return true;
        sqlite::Statement same(*db_,
                               "SELECT 1 FROM finished_games WHERE size = ? AND moves = ? LIMIT 1");
        same.Bind(1, game.boardSize).Bind(2, moves);
        if (same.Row()) return true;
        if (same.Failed()) return false;
    }
    sqlite::Statement write(*db_,
                            "INSERT INTO finished_games (ended, size, level, computer, result, "
                            "move_count, moves) VALUES (?, ?, ?, ?, ?, ?, ?)");
    write.Bind(1, when)
        .Bind(2, game.boardSize)
        .Bind(3, game.level)
        .Bind(4, game.computerSide)
        .Bind(5, ResultWord(ResultOf(game)))
        .Bind(6, game.moves.count())
        .Bind(7, moves);
    return write.Run();
}

// ---- The history
// ---------------------------------------------------------------------------------

PlayerHistory GameStore::ReadHistory() {
    WaitUntilWritten();
    PlayerHistory history;
    std::lock_guard lock(dbMutex_);
    if (!db_->IsOpen()) return history;
    if (!ReadFinishedGames(*db_, history.games)) {
        const std::string problem =
            "cannot read the history in " + file_.string() + ": " + db_->Error();
        std::lock_guard guard(mutex_);
        writeProblem_ = problem;
        Tell(problem);
    }
    history.statistics = CountGames(history.games);
    return history;
}

std::optional<GameRecord> GameStore::FinishedRecord(int64_t id) {
    WaitUntilWritten();
    std::lock_guard lock(dbMutex_);
    if (!db_->IsOpen()) return std::nullopt;
    sqlite::Statement read(*db_, "SELECT size, computer, moves FROM finished_games WHERE id = ?");
    read.Bind(1, id);
    if (!read.Row()) return std::nullopt;
    KeptGame game;
    if (!ToSmall(read.Int(0), game.boardSize) || !ToSmall(read.Int(1), game.computerSide) ||
        !ReadMoves(read.Text(2), game.moves) || !IsSoundKeptGame(game))
        return std::nullopt;
    GameRecord record;
    record.BoardSize = game.boardSize;
    record.ComputerSideChoice = game.computerSide;
    record.Moves = game.moves;
    return record;
}

bool GameStore::Reset() {
    WaitUntilWritten();
    std::lock_guard lock(dbMutex_);
    if (!db_->IsOpen()) return false;
    if (db_->Run("DELETE FROM finished_games")) return true;
    const std::string problem =
        "cannot clear the history in " + file_.string() + ": " + db_->Error();
    std::lock_guard guard(mutex_);
    writeProblem_ = problem;
    Tell(problem);
    return false;
}

// ---- Reading without keeping
// ---------------------------------------------------------------------

std::optional<StoreContents> ReadStore(const std::filesystem::path& file, std::string& problem) {
    const std::string name = file.string();
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) return StoreContents{};
    if (!std::filesystem::is_regular_file(status)) {
        problem = name + " is not a file";
        return std::nullopt;
    }
    // Writable where it may be, so that a journal a killed program left can be played back
    // first, as any opening does; nothing else is written.
    sqlite::Connection db;
    if (!db.Open(name, SQLITE_OPEN_READWRITE) && !db.Open(name, SQLITE_OPEN_READONLY)) {
        problem = "cannot open " + name + ": " + db.Error();
        return std::nullopt;
    }
    sqlite3_busy_timeout(db.handle(), kBusyMilliseconds);
    StoreContents contents;
    int64_t version = 0;
    {
        sqlite::Statement read(db, "PRAGMA user_version");
        if (read.Row()) version = read.Int(0);
        if (read.Failed()) {
            problem = "cannot read " + name + ": " + db.Error();
            return std::nullopt;
        }
    }
    if (version > kStoreVersion) {
        problem =
            name + " was written by a newer Orbel Five (format " + std::to_string(version) + ")";
        return std::nullopt;
    }
    if (version == 0) {
        sqlite::Statement any(db, "SELECT count(*) FROM sqlite_schema");
        if (any.Row() && any.Int(0) == 0) return contents;
        problem = name + " is not a store of Orbel Five's games";
        return std::nullopt;
    }
    int64_t changed = 0;
    // One read transaction: the game in hand and the history as one moment left them.
    const bool read = db.Run("BEGIN") && ReadCurrentRow(db, contents.current, changed) &&
                      ReadFinishedGames(db, contents.history.games) && db.Run("COMMIT");
    if (!read) {
        problem = "cannot read " + name + ": " + db.Error();
        return std::nullopt;
    }
    contents.history.statistics = CountGames(contents.history.games);
    return contents;
}

}  // namespace orbel
