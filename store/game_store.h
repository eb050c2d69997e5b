// The player's games, kept in an SQLite database in the player's data folder: the game in
// hand after every change, so that closing the program, or its being killed, loses at most
// the change being written, and every finished game, from which the player's record is read.
//
// What the program does with it, from start to end:
//
//     GameStore store(GameStore::PlayerFile());  // one for the program's run, made before the
//                                                //   game and gone after it
//     store.Attach(game);                        // every change of the game is kept from now
//     if (auto kept = store.Unfinished())        // offer "Continue": kept->boardSize,
//         ...                                    //   kept->level, kept->moves.count() + 1
//     store.Continue(game);                      // the game takes it up; its window opens next
//     game.ChooseSize(size);                     // or another game: the unfinished one goes
//                                                //   into the history as abandoned
//     PlayerHistory history = store.ReadHistory();   // the Statistics window's figures and list
//     auto record = store.FinishedRecord(game.id);   // a finished game, to open as Load Game does
//     store.Reset();                                 // the history cleared
//     store.Problem();                               // one line when something is wrong
//
// A store that cannot keep games (a database from a newer version, one in use by another
// running copy, a folder that cannot be written) says why once, on the teller (stderr), and
// in Problem(); the game plays on as designed and nothing of the old file is lost or
// overwritten. A damaged database is set aside as `<name>.bad` and a new one begun.
//
// The database is written on a thread of the store's own, so a change costs the game only
// a copy; each batch of changes is one transaction, in WAL mode with synchronous=FULL: the
// commit is appended to the write-ahead log and synced once, so a kill or a power loss at
// any moment leaves every committed change and nothing half-written. A write that fails
// (a full disk) is tried again with the next change.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "game/kept_game.h"
#include "records/record_file.h"
#include "store/player_history.h"

namespace orbel {

class Game;
namespace sqlite {
class Connection;
}

class GameStore final : public GameKeeper {
  public:
    // Gets each problem the store finds, once, as one line without the program's name.
    using Teller = std::function<void(const std::string& line)>;
    static void TellStandardError(const std::string& line);

    // games.db in $XDG_DATA_HOME/orbelfive/, or in ~/.local/share/orbelfive/ when
    // XDG_DATA_HOME is not set or not an absolute path.
    static std::filesystem::path PlayerFile();

    // Opens `file`, making its folder and a new database where there is none; never throws.
    explicit GameStore(const std::filesystem::path& file, Teller tell = TellStandardError);
    // Writes what is still waiting.
    ~GameStore() override;
    GameStore(const GameStore&) = delete;
    GameStore& operator=(const GameStore&) = delete;

    // Games are kept.
    bool Keeps() const;
    // Why games are not kept, or what went wrong with them; empty when nothing did.
    std::string Problem() const;

    // From now on every change of `game` is kept. The store must outlive the game, or the
    // game be given another keeper (or none) first.
    void Attach(Game& game);

    // The game in hand as last kept, when it is not over and has moves or a record to
    // step through: the one the last run left, until the game takes it up or leaves it.
    std::optional<KeptGame> Unfinished() const;
    // The game takes the unfinished game up; false when there is none.
    bool Continue(Game& game);

    // The finished games newest first, with their figures. Waits until what was handed
    // over is written.
    PlayerHistory ReadHistory();
    // Finished game `id` as a record for Forward to replay; none when there is no such game.
    std::optional<GameRecord> FinishedRecord(int64_t id);
    // Clears the history of finished games; the game in hand stays. False when it failed.
    bool Reset();

    // Returns once every change handed over is written, or its writing has failed.
    void WaitUntilWritten();

    void GameChanged(const KeptGame& game) override;
    void GameLeft(const KeptGame& game) override;

  private:
    struct Change {
        bool left = false;  // GameLeft, else GameChanged
        KeptGame game;
        int64_t when = 0;
    };

    void Open();
    bool SetAside(const std::string& why);
    void ReadCurrentGame();
    void Tell(const std::string& problem);
    void Hand(Change change);
    void WriteLoop();
    bool WriteBatch(const std::deque<Change>& batch, std::string& failure);
    bool Write(const Change& change);
    bool RecordFinished(const KeptGame& game, int64_t when);

    const std::filesystem::path file_;
    const Teller tell_;

    // The database, used by the writer and, for reading, by the game's thread.
    std::mutex dbMutex_;
    std::unique_ptr<sqlite::Connection> db_;
    int lockFile_ = -1;

    // What the writer is handed, and where it stands; guarded by mutex_.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<Change> waiting_;
    bool writing_ = false;
    bool stalled_ = false;  // the last write failed: wait for the next change
    uint64_t handed_ = 0;   // changes handed over so far
    bool stopping_ = false;
    bool keeps_ = false;
    std::string openProblem_;
    std::string writeProblem_;
    std::string told_;
    // The game in hand as last handed over, or as the last run left it while `pending_`.
    std::optional<KeptGame> latest_;
    bool pending_ = false;
    int64_t pendingWhen_ = 0;
    std::thread writer_;
};

// What a store holds, read without writing anything of its own (the database may be in use
// by the game meanwhile).
struct StoreContents {
    std::optional<KeptGame> current;
    PlayerHistory history;
};
// Nothing stored when there is no file; none, with the reason in `problem`, when it cannot
// be read.
std::optional<StoreContents> ReadStore(const std::filesystem::path& file, std::string& problem);

}  // namespace orbel
