#include "records/record_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/lines.h"
#include "engine/move_rules.h"
#include "random_games.h"
#include "temp_folder.h"

namespace orbel {
namespace {

namespace fs = std::filesystem;
using testing::RandomRecord;

// A folder of its own under the system's temporary folder, removed afterwards.
struct TempFolder : testing::TempFolder {
    TempFolder() : testing::TempFolder("orbel-record") {}
};

std::string FileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// The names in `folder`, sorted; a temporary file left behind shows here.
std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

mode_t ModeOf(const fs::path& file) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

// Lowers one of the process's limits while it lives, to make the system refuse a step.
class LoweredLimit {
  public:
    LoweredLimit(decltype(RLIMIT_NOFILE) resource, rlim_t value) : resource_(resource) {
        getrlimit(resource_, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = value;
        setrlimit(resource_, &lowered);
    }
    ~LoweredLimit() { setrlimit(resource_, &saved_); }
    LoweredLimit(const LoweredLimit&) = delete;
    LoweredLimit& operator=(const LoweredLimit&) = delete;

  private:
    decltype(RLIMIT_NOFILE) resource_;
    rlimit saved_{};
};

void ExpectSameRecord(const GameRecord& a, const GameRecord& b) {
    ASSERT_EQ(a.BoardSize, b.BoardSize);
    ASSERT_EQ(a.ComputerSideChoice, b.ComputerSideChoice);
    ASSERT_EQ(a.Moves.count(), b.Moves.count());
    ASSERT_EQ(a.Moves.SharedWith(b.Moves), a.Moves.count());
}

RecordStatus Parse(const std::string& text) {
    auto record = std::make_unique<GameRecord>();
    return ParseGameRecord(text, *record);
}

// An oracle apart from the reader's own replay: every move must be one the move generator
// offers to the side to move.
bool EveryMoveIsGenerated(const GameRecord& record) {
    BoardState b;
    StartPosition(b, record.BoardSize);
    for (int i = 1; i <= record.Moves.count(); ++i) {
        const testing::Offered offered(b);
        const int16_t* end = offered.codes + 1 + offered.count;
        const int code = MoveCodeOf(b.BoardSize, record.Moves[i]);
        if (std::find(offered.codes + 1, end, code) == end) return false;
        if (record.Moves[i].placed + StepOf(b.BoardSize, DirectionOf(code)) !=
            record.Moves[i].moved)
            return false;
        testing::PlayMove(b, code);
    }
    return true;
}

const std::string kExample = " 9 \r\n-1 \r\n 2 \r\n 40  41 \r\n 32  41 \r\n";

TEST(record_writer, writes_the_example_game_byte_for_byte) {
    GameRecord record;
    record.BoardSize = 9;
    record.ComputerSideChoice = -1;
    record.Moves.Add({40, 41});
    record.Moves.Add({32, 41});
    EXPECT_EQ(FormatGameRecord(record), kExample);

    TempFolder folder;
    const fs::path file = folder.path / "example.txt";
    ASSERT_TRUE(WriteRecordFile(file, record).Ok());
    EXPECT_EQ(FileText(file), kExample);
    EXPECT_FALSE(fs::exists(folder.path / "example.txt.tmp"));
    EXPECT_EQ(Entries(folder.path), Names{"example.txt"});
}

TEST(record_writer, a_new_game_is_three_lines) {
    GameRecord record;
    record.BoardSize = 13;
    record.ComputerSideChoice = 1;
    EXPECT_EQ(FormatGameRecord(record), " 13 \r\n 1 \r\n 0 \r\n");
    record.ComputerSideChoice = 0;
    EXPECT_EQ(FormatGameRecord(record), " 13 \r\n 0 \r\n 0 \r\n");
}

TEST(record_round_trip, random_games_on_every_size_read_back_move_for_move) {
    std::mt19937 rng(4242);
    TempFolder folder;
    for (int size = kSmallestSize; size <= kLargestSize; size += 2) {
        for (int game = 0; game < 3; ++game) {
            const auto written = RandomRecord(size, kMoveCapacity, rng);
            ASSERT_GT(written->Moves.count(), 0);
            auto read = std::make_unique<GameRecord>();
            const RecordStatus parsed = ParseGameRecord(FormatGameRecord(*written), *read);
            ASSERT_TRUE(parsed.Ok()) << RecordMessage(parsed);
            ExpectSameRecord(*written, *read);

            const fs::path file = folder.path / ("game-" + std::to_string(size));
            ASSERT_TRUE(WriteRecordFile(file, *written).Ok());
            auto reread = std::make_unique<GameRecord>();
            const RecordStatus loaded = ReadRecordFile(file, *reread);
            ASSERT_TRUE(loaded.Ok()) << RecordMessage(loaded);
            ExpectSameRecord(*written, *reread);
        }
    }
}

TEST(record_reader, commas_tabs_and_one_value_per_line_read_the_same) {
    auto expected = std::make_unique<GameRecord>();
    ASSERT_TRUE(ParseGameRecord(kExample, *expected).Ok());
    const std::string variants[] = {
        "9,-1,2\r\n40,41\r\n32,41\r\n",
        "9\r\n-1\r\n2\r\n40\r\n41\r\n32\r\n41\r\n",
        "9\n-1\n2\n40\n41\n32\n41",
        "9\t-1\t2\t40\t41\t32\t41",
        " 9 , -1 ,\r\n 2 ,\r\n 40 , 41 \r\n 32, 41\r\n",
        "+9 -1 +2 +40 +41 32 41",
        // The second value of a move line in the next 14-column print zone.
        " 9 \r\n-1 \r\n 2 \r\n 40           41 \r\n 32           41 \r\n",
    };
    for (const std::string& text : variants) {
        auto read = std::make_unique<GameRecord>();
        const RecordStatus status = ParseGameRecord(text, *read);
        ASSERT_TRUE(status.Ok()) << text << ": " << RecordMessage(status);
        ExpectSameRecord(*expected, *read);
    }
}

TEST(record_reader, ignores_values_after_the_last_move) {
    auto read = std::make_unique<GameRecord>();
    EXPECT_TRUE(ParseGameRecord(kExample + " 50  51 \r\nnot numbers at all\r\n", *read).Ok());
    EXPECT_EQ(read->Moves.count(), 2);
    EXPECT_TRUE(Parse(" 9 \r\n-1 \r\n 0 \r\n 999999 x").Ok());
}

struct Refusal {
    const char* text;
    RecordError error;
    int move;
};

TEST(record_reader, refuses_each_fault_with_its_own_code) {
    const Refusal refusals[] = {
        {"", RecordError::EmptyFile, 0},
        {" \r\n\t, \r\n", RecordError::EmptyFile, 0},
        {"nine", RecordError::NotANumber, 0},
        {"9 -1 2 40 4a 32 41", RecordError::NotANumber, 1},
        {"9 - 0", RecordError::NotANumber, 0},
        {"9 -1 1.5", RecordError::NotANumber, 0},
        {"9 -1 0x2", RecordError::NotANumber, 0},
        {"32768", RecordError::OutOfRange, 0},
        {"9 -32769", RecordError::OutOfRange, 0},
        {"9 -1 1 40 123456789012345678901234567890", RecordError::OutOfRange, 1},
        {"4 -1 0", RecordError::BadBoardSize, 0},
        {"19 -1 0", RecordError::BadBoardSize, 0},
        {"8 -1 0", RecordError::BadBoardSize, 0},
        {"-9 -1 0", RecordError::BadBoardSize, 0},
        {"9 2 0", RecordError::BadColour, 0},
        {"9 -2 0", RecordError::BadColour, 0},
        {"9 -1 -1", RecordError::NegativeCount, 0},
        {"9 -1 290", RecordError::TooManyMoves, 0},
        {"9", RecordError::Truncated, 0},
        {"9 -1", RecordError::Truncated, 0},
        {"9 -1 2 40 41 32", RecordError::Truncated, 2},
        {"9 -1 3 40 41 32 41", RecordError::Truncated, 3},
        {"9 -1 289 40 41", RecordError::Truncated, 2},
        {"9 -1 1 0 1", RecordError::CellOffBoard, 1},
        {"9 -1 1 82 73", RecordError::CellOffBoard, 1},
        {"9 -1 1 40 -41", RecordError::CellOffBoard, 1},
        {"9 -1 1 40 42", RecordError::NotOneStep, 1},
        {"9 -1 1 40 40", RecordError::NotOneStep, 1},
        {"9 -1 1 40 58", RecordError::NotOneStep, 1},
        // Cell 36 ends row 4 and 37 starts row 5: +1, but not a step.
        {"9 -1 1 36 37", RecordError::NotOneStep, 1},
        {"9 -1 1 37 36", RecordError::NotOneStep, 1},
        {"9 -1 1 41 42", RecordError::PlacementTaken, 1},
        {"9 -1 2 40 41 41 40", RecordError::PlacementTaken, 2},
        {"9 -1 1 10 11", RecordError::NoOrbelBeside, 1},
        {"9 -1 1 40 39", RecordError::PushNotOffered, 1},
        {"9 -1 1 32 23", RecordError::PushNotOffered, 1},
        // Blue pushes Red from 13 to 14; Red pushing the pair on would put Red on 15.
        {"5 -1 2 12 13 12 13", RecordError::PushOntoRing, 2},
        {"5 -1 1 13 14", RecordError::PlacementTaken, 1},
    };
    for (const Refusal& r : refusals) {
        auto record = std::make_unique<GameRecord>();
        const RecordStatus status = ParseGameRecord(r.text, *record);
        EXPECT_EQ(status.error, r.error) << "'" << r.text << "': " << RecordMessage(status);
        EXPECT_EQ(status.move, r.move) << r.text;
        const std::string message = RecordMessage(status);
        EXPECT_NE(message.find("(error " + std::to_string(status.Code()) + ")"), std::string::npos);
        EXPECT_EQ(message.find('\n'), std::string::npos);
        if (r.move > 0) {
            EXPECT_NE(message.find("move " + std::to_string(r.move)), std::string::npos);
        }
    }
}

TEST(record_reader, messages_say_what_and_where) {
    EXPECT_EQ(RecordMessage(Parse("9\r\n-1\r\n1\r\n 41 42 \r\n")),
              "line 4, move 1: placement cell 41 is already taken (error 12)");
    EXPECT_EQ(RecordMessage(Parse("9 -1 1 40 39")),
              "line 1, move 1: the push from cell 40 toward cell 39 is not offered: cell 39 is "
              "empty (error 14)");
    EXPECT_EQ(RecordMessage(Parse("9\n\n7 0")),
              "line 3: computer's colour 7 is not -1, 0 or 1 (error 6)");
    EXPECT_EQ(RecordMessage(Parse("9\n-1\n3\n40 41\n")),
              "the file ends before move 2 of 3 is complete (error 9)");
    EXPECT_EQ(RecordMessage(Parse("9\n")), "the file ends before the computer's colour (error 9)");
    EXPECT_EQ(RecordMessage(Parse("9 -1")), "the file ends before the move count (error 9)");
    EXPECT_EQ(RecordMessage(Parse("9 -1 \x01zz")), "line 1: '?zz' is not a number (error 3)");
}

TEST(record_reader, unreadable_files_are_refused) {
    TempFolder folder;
    auto record = std::make_unique<GameRecord>();
    EXPECT_EQ(ReadRecordFile(folder.path / "missing.txt", *record).error, RecordError::Unreadable);
    EXPECT_EQ(ReadRecordFile(folder.path, *record).error, RecordError::Unreadable);
    WriteText(folder.path / "empty.txt", "");
    EXPECT_EQ(ReadRecordFile(folder.path / "empty.txt", *record).error, RecordError::EmptyFile);
}

TEST(record_reader, moves_after_a_completed_line_are_legal) {
    // Random 9 x 9 games until one completes a line with moves still to follow.
    std::mt19937 rng(31337);
    for (int tries = 0; tries < 500; ++tries) {
        const auto record = RandomRecord(9, 80, rng);
        BoardState b;
        StartPosition(b, 9);
        int lineAt = 0;
        for (int i = 1; i <= record->Moves.count() && lineAt == 0; ++i) {
            ASSERT_EQ(PlayMove(b, record->Moves[i]), MoveFault::None);
            if (ScanLines(b).Any()) lineAt = i;
        }
        if (lineAt == 0 || lineAt + 2 > record->Moves.count()) continue;
        auto read = std::make_unique<GameRecord>();
        const RecordStatus status = ParseGameRecord(FormatGameRecord(*record), *read);
        ASSERT_TRUE(status.Ok()) << RecordMessage(status);
        EXPECT_GT(read->Moves.count(), lineAt);
        return;
    }
    FAIL() << "no random game completed a line with moves after it";
}

TEST(record_save, replaces_an_earlier_file_whole) {
    TempFolder folder;
    const fs::path file = folder.path / "game.txt";
    WriteText(file, std::string(5000, 'x'));
    GameRecord record;
    record.BoardSize = 5;
    ASSERT_TRUE(WriteRecordFile(file, record).Ok());
    EXPECT_EQ(FileText(file), " 5 \r\n-1 \r\n 0 \r\n");
}

TEST(record_save, a_failed_save_reports_it_and_keeps_the_earlier_file) {
    TempFolder folder;
    const fs::path file = folder.path / "game.txt";
    WriteText(file, kExample);
    GameRecord record;
    record.BoardSize = 7;

    // The temporary file cannot be made: the process may open no more files.
    RecordStatus status;
    {
        const LoweredLimit noFiles(RLIMIT_NOFILE, 0);
        status = WriteRecordFile(file, record);
    }
    EXPECT_EQ(status.error, RecordError::CannotCreate);
    EXPECT_NE(RecordMessage(status).find("(error 20)"), std::string::npos);
    EXPECT_EQ(FileText(file), kExample);
    EXPECT_EQ(Entries(folder.path), Names{"game.txt"});

    // Nor in a folder that does not exist.
    status = WriteRecordFile(folder.path / "missing" / "game.txt", record);
    EXPECT_EQ(status.error, RecordError::CannotCreate);
    EXPECT_EQ(Entries(folder.path), Names{"game.txt"});

    // The temporary file cannot be written whole: files may hold only four bytes.
    {
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        {
            const LoweredLimit tinyFiles(RLIMIT_FSIZE, 4);
            status = WriteRecordFile(file, record);
        }
        std::signal(SIGXFSZ, previous);
    }
    EXPECT_EQ(status.error, RecordError::WriteFailed);
    EXPECT_NE(RecordMessage(status).find("(error 21)"), std::string::npos);
    EXPECT_EQ(FileText(file), kExample);
    EXPECT_EQ(Entries(folder.path), Names{"game.txt"});

    // The target cannot be replaced: it is a folder with something in it.
    const fs::path occupied = folder.path / "occupied";
    fs::create_directories(occupied / "inside");
    status = WriteRecordFile(occupied, record);
    EXPECT_EQ(status.error, RecordError::CannotReplace);
    EXPECT_TRUE(fs::is_directory(occupied / "inside"));
    EXPECT_FALSE(fs::exists(folder.path / "occupied.tmp"));
    EXPECT_EQ(Entries(folder.path), (Names{"game.txt", "occupied"}));
}

TEST(record_save, a_file_named_like_a_temporary_one_is_left_alone) {
    TempFolder folder;
    const fs::path file = folder.path / "game.txt";
    WriteText(file, kExample);
    WriteText(folder.path / "game.txt.tmp", "mine");
    fs::create_directory(folder.path / ".game.txt.tmp");
    GameRecord record;
    record.BoardSize = 11;
    for (int save = 0; save < 3; ++save) ASSERT_TRUE(WriteRecordFile(file, record).Ok());
    EXPECT_EQ(FileText(file), " 11 \r\n-1 \r\n 0 \r\n");
    EXPECT_EQ(FileText(folder.path / "game.txt.tmp"), "mine");
    EXPECT_EQ(Entries(folder.path), (Names{".game.txt.tmp", "game.txt", "game.txt.tmp"}));
}

// The file a link points at is replaced; the link stays a link, however it is reached.
TEST(record_save, writes_through_a_link_and_keeps_the_link) {
    TempFolder folder;
    fs::create_directory(folder.path / "real");
    const fs::path real = folder.path / "real" / "game.txt";
    WriteText(real, "old game");
    fs::create_symlink("real/game.txt", folder.path / "link.txt");
    fs::create_symlink(folder.path / "link.txt", folder.path / "link-to-link.txt");
    GameRecord record;
    record.BoardSize = 5;

    ASSERT_TRUE(WriteRecordFile(folder.path / "link.txt", record).Ok());
    EXPECT_TRUE(fs::is_symlink(folder.path / "link.txt"));
    EXPECT_EQ(fs::read_symlink(folder.path / "link.txt"), fs::path("real/game.txt"));
    EXPECT_EQ(FileText(real), " 5 \r\n-1 \r\n 0 \r\n");

    record.BoardSize = 7;
    ASSERT_TRUE(WriteRecordFile(folder.path / "link-to-link.txt", record).Ok());
    EXPECT_TRUE(fs::is_symlink(folder.path / "link-to-link.txt"));
    EXPECT_TRUE(fs::is_symlink(folder.path / "link.txt"));
    EXPECT_EQ(FileText(real), " 7 \r\n-1 \r\n 0 \r\n");

    // A link to a file not yet made makes that file.
    fs::create_symlink("real/new.txt", folder.path / "new-link.txt");
    ASSERT_TRUE(WriteRecordFile(folder.path / "new-link.txt", record).Ok());
    EXPECT_TRUE(fs::is_symlink(folder.path / "new-link.txt"));
    EXPECT_EQ(FileText(folder.path / "real" / "new.txt"), " 7 \r\n-1 \r\n 0 \r\n");

    EXPECT_EQ(Entries(folder.path),
              (Names{"link-to-link.txt", "link.txt", "new-link.txt", "real"}));
    EXPECT_EQ(Entries(folder.path / "real"), (Names{"game.txt", "new.txt"}));

    // Links that point at each other lead to no file: refused, and nothing is touched.
    fs::create_symlink("loop-b", folder.path / "loop-a");
    fs::create_symlink("loop-a", folder.path / "loop-b");
    const RecordStatus status = WriteRecordFile(folder.path / "loop-a", record);
    EXPECT_EQ(status.error, RecordError::CannotCreate);
    EXPECT_TRUE(fs::is_symlink(folder.path / "loop-a"));
    EXPECT_TRUE(fs::is_symlink(folder.path / "loop-b"));
}

TEST(record_save, keeps_the_mode_of_the_replaced_file) {
    TempFolder folder;
    const fs::path file = folder.path / "game.txt";
    GameRecord record;
    for (const mode_t mode : {0640, 0604, 0444, 0755}) {
        WriteText(file, kExample);
        ASSERT_EQ(chmod(file.c_str(), mode), 0);
        ASSERT_TRUE(WriteRecordFile(file, record).Ok());
        EXPECT_EQ(ModeOf(file), mode) << std::oct << mode;
        EXPECT_EQ(FileText(file), FormatGameRecord(record));
    }

    // Through a link, the mode of the file it points at; a new file follows the umask.
    fs::create_symlink("game.txt", folder.path / "link.txt");
    ASSERT_EQ(chmod(file.c_str(), 0620), 0);
    ASSERT_TRUE(WriteRecordFile(folder.path / "link.txt", record).Ok());
    EXPECT_EQ(ModeOf(file), 0620u);
    const mode_t before = umask(027);
    const RecordStatus fresh = WriteRecordFile(folder.path / "fresh.txt", record);
    umask(before);
    ASSERT_TRUE(fresh.Ok());
    EXPECT_EQ(ModeOf(folder.path / "fresh.txt"), 0640u);
}

TEST(record_save, an_unwritable_folder_keeps_the_earlier_file) {
    TempFolder folder;
    const fs::path file = folder.path / "game.txt";
    WriteText(file, kExample);
    fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(folder.path / "probe")) {
        fs::permissions(folder.path, fs::perms::owner_all);
        GTEST_SKIP() << "this user can write into a read-only folder";
    }
    GameRecord record;
    const RecordStatus status = WriteRecordFile(file, record);
    fs::permissions(folder.path, fs::perms::owner_all);
    EXPECT_FALSE(status.Ok());
    EXPECT_EQ(FileText(file), kExample);
}

// Never crashes; whatever it accepts is a game the rules allow, and reads back the same.
void CheckAcceptedIsLegal(const std::string& text) {
    auto record = std::make_unique<GameRecord>();
    const RecordStatus status = ParseGameRecord(text, *record);
    if (!status.Ok()) {
        EXPECT_EQ(RecordMessage(status).find('\n'), std::string::npos) << text;
        return;
    }
    ASSERT_TRUE(EveryMoveIsGenerated(*record)) << text;
    auto again = std::make_unique<GameRecord>();
    ASSERT_TRUE(ParseGameRecord(FormatGameRecord(*record), *again).Ok());
    ExpectSameRecord(*record, *again);
}

TEST(record_reader_fuzz, random_bytes_and_mutated_files) {
    std::mt19937 rng(2718);
    const std::string alphabet = "0123456789 -+,\t\r\n";
    for (int k = 0; k < 3000; ++k) {
        std::string text(rng() % 60, ' ');
        for (char& c : text)
            c = rng() % 4 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        CheckAcceptedIsLegal(text);
    }
    int accepted = 0;
    for (int k = 0; k < 3000; ++k) {
        const int size = kSmallestSize + 2 * static_cast<int>(rng() % 7);
        std::string text = FormatGameRecord(*RandomRecord(size, 1 + rng() % 30, rng));
        for (int edits = 1 + rng() % 3; edits > 0 && !text.empty(); --edits) {
            const size_t at = rng() % text.size();
            switch (rng() % 4) {
                case 0:
                    text[at] = "0123456789-, "[rng() % 13];
                    break;
                case 1:
                    text.erase(at, 1);
                    break;
                case 2:
                    text.insert(at, 1, static_cast<char>(rng() % 256));
                    break;
                default:
                    text.resize(at);
                    break;
            }
        }
        auto record = std::make_unique<GameRecord>();
        if (ParseGameRecord(text, *record).Ok()) ++accepted;
        CheckAcceptedIsLegal(text);
    }
    // The mutations must leave some files readable, or the legality check proves nothing.
    EXPECT_GT(accepted, 100);
}

}  // namespace
}  // namespace orbel
