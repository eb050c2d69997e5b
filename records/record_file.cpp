#include "records/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "engine/board.h"

namespace orbel {

namespace {

// Far beyond any game; stops a device that never ends from being read forever.
constexpr size_t kLargestFile = size_t{64} << 20;

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

// Hands out the file's values in order, whatever separates them, and knows their line.
class ValueReader {
  public:
    enum class Got { Value, End, NotANumber, OutOfRange };

    explicit ValueReader(std::string_view text) : text_(text) {}

    Got Next(int16_t& value) {
        SkipSeparators();
        if (at_ == text_.size()) return Got::End;
        const size_t start = at_;
        while (at_ < text_.size() && !IsSeparator(text_[at_])) ++at_;
        token_ = text_.substr(start, at_ - start);
        return Convert(value);
    }

    int Line() const { return line_; }
    std::string_view Token() const { return token_; }

  private:
    void SkipSeparators() {
        for (; at_ < text_.size() && IsSeparator(text_[at_]); ++at_) {
            const bool crAlone =
                text_[at_] == '\r' && (at_ + 1 == text_.size() || text_[at_ + 1] != '\n');
            if (text_[at_] == '\n' || crAlone) ++line_;
        }
    }

    // An optional sign and at least one decimal digit, nothing else.
    Got Convert(int16_t& value) const {
        std::string_view digits = token_;
        const bool negative = digits.front() == '-';
        if (negative || digits.front() == '+') digits.remove_prefix(1);
        if (digits.empty()) return Got::NotANumber;
        int magnitude = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return Got::NotANumber;
            // Past 32768 the exact size no longer matters, only that it is too big.
            if (magnitude <= 32768) magnitude = magnitude * 10 + (c - '0');
        }
        const int signedValue = negative ? -magnitude : magnitude;
        if (signedValue < INT16_MIN || signedValue > INT16_MAX) return Got::OutOfRange;
        value = static_cast<int16_t>(signedValue);
        return Got::Value;
    }

    std::string_view text_;
    std::string_view token_;
    size_t at_ = 0;
    int line_ = 1;
};

// Reads the next value into `value`, or fills `status` and returns false.
bool Take(ValueReader& reader, int16_t& value, RecordStatus& status) {
    const ValueReader::Got got = reader.Next(value);
    status.line = reader.Line();
    switch (got) {
        case ValueReader::Got::Value:
            return true;
        case ValueReader::Got::End:
            status.error = RecordError::Truncated;
            return false;
        case ValueReader::Got::NotANumber:
            status.error = RecordError::NotANumber;
            break;
        case ValueReader::Got::OutOfRange:
            status.error = RecordError::OutOfRange;
            break;
    }
    status.detail = reader.Token();
    return false;
}

RecordStatus Refuse(RecordStatus status, RecordError error, int value) {
    status.error = error;
    status.value = value;
    return status;
}

// Size, colour and count, each checked as soon as it is read.
bool ReadHeader(ValueReader& reader, GameRecord& record, int16_t& count, RecordStatus& status) {
    if (!Take(reader, record.BoardSize, status)) {
        if (status.error == RecordError::Truncated) status = Refuse({}, RecordError::EmptyFile, 0);
        return false;
    }
    if (!IsValidBoardSize(record.BoardSize)) {
        status = Refuse(status, RecordError::BadBoardSize, record.BoardSize);
        return false;
    }
    status.size = record.BoardSize;
    // For a file that ends here, value says how many values it held.
    if (!Take(reader, record.ComputerSideChoice, status)) {
        status.value = 1;
        return false;
    }
    if (record.ComputerSideChoice < -1 || record.ComputerSideChoice > 1) {
        status = Refuse(status, RecordError::BadColour, record.ComputerSideChoice);
        return false;
    }
    if (!Take(reader, count, status)) {
        status.value = 2;
        return false;
    }
    if (count < 0) {
        status = Refuse(status, RecordError::NegativeCount, count);
        return false;
    }
    if (count > kMoveCapacity) {
        status = Refuse(status, RecordError::TooManyMoves, count);
        return false;
    }
    return true;
}

// The one place a move the rules refuse becomes the record's error.
RecordError ErrorOf(MoveFault fault) {
    switch (fault) {
        case MoveFault::None:
            return RecordError::None;
        case MoveFault::CellOffBoard:
            return RecordError::CellOffBoard;
        case MoveFault::NotOneStep:
            return RecordError::NotOneStep;
        case MoveFault::PlacementTaken:
            return RecordError::PlacementTaken;
        case MoveFault::NoOrbelBeside:
            return RecordError::NoOrbelBeside;
        case MoveFault::PushNotOffered:
            return RecordError::PushNotOffered;
        case MoveFault::PushOntoRing:
            return RecordError::PushOntoRing;
    }
    return RecordError::None;
}

std::string Printable(std::string_view token) {
    constexpr size_t kShown = 20;
    std::string shown;
    for (char c : token.substr(0, kShown)) shown += (c >= ' ' && c <= '~') ? c : '?';
    if (token.size() > kShown) shown += "...";
    return shown;
}

// A truncated file has no line or move of the fault to point at; its text says which move.
std::string Where(const RecordStatus& s) {
    if (s.error == RecordError::Truncated) return "";
    std::string where;
    if (s.line > 0) where = "line " + std::to_string(s.line);
    if (s.move > 0)
        where += (where.empty() ? "" : ", ") + std::string("move ") + std::to_string(s.move);
    return where.empty() ? where : where + ": ";
}

std::string TruncatedText(const RecordStatus& s) {
    if (s.move > 0)
        return "the file ends before move " + std::to_string(s.move) + " of " +
               std::to_string(s.value) + " is complete";
    return s.value == 1 ? "the file ends before the computer's colour"
                        : "the file ends before the move count";
}

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal + std::string.
std::string Quoted(const std::string& text) {
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    return quoted;
}

std::string WhatWentWrong(const RecordStatus& s) {
    const std::string v = std::to_string(s.value);
    const std::string p = std::to_string(s.placed);
    const std::string m = std::to_string(s.moved);
    const std::string push = "the push from cell " + p + " toward cell " + m;
    switch (s.error) {
        case RecordError::None:
            return "no error";
        case RecordError::Unreadable:
            return "the file cannot be read: " + s.detail;
        case RecordError::EmptyFile:
            return "the file is empty";
        case RecordError::NotANumber:
            return Quoted(Printable(s.detail)) + " is not a number";
        case RecordError::OutOfRange:
            return Printable(s.detail) + " is outside the 16-bit range -32768 to 32767";
        case RecordError::BadBoardSize:
            return "board size " + v + " is not one of 5, 7, 9, 11, 13, 15, 17";
        case RecordError::BadColour:
            return "computer's colour " + v + " is not -1, 0 or 1";
        case RecordError::NegativeCount:
            return "move count " + v + " is negative";
        case RecordError::TooManyMoves:
            return "move count " + v + " is more than the " + std::to_string(kMoveCapacity) +
                   " moves a record holds";
        case RecordError::Truncated:
            return TruncatedText(s);
        case RecordError::CellOffBoard: {
            const int n = s.size;
            const bool placedOff = s.placed < 1 || s.placed > n * n;
            return "cell " + (placedOff ? p : m) + " is not on the " + std::to_string(n) + " x " +
                   std::to_string(n) + " board";
        }
        case RecordError::NotOneStep:
            return "cells " + p + " and " + m + " are not one step apart";
        case RecordError::PlacementTaken:
            return "placement cell " + p + " is already taken";
        case RecordError::NoOrbelBeside:
            return "placement cell " + p + " has no orbel beside it";
        case RecordError::PushNotOffered:
            return push + " is not offered: cell " + m + " is empty";
        case RecordError::PushOntoRing:
            return push + " would move an orbel onto the outer ring";
        case RecordError::CannotCreate:
            return "cannot create the temporary file: " + s.detail;
        case RecordError::WriteFailed:
            return "cannot write the temporary file: " + s.detail;
        case RecordError::CannotReplace:
            return "cannot replace the file: " + s.detail;
    }
    return "unknown error";
}

void AppendValue(std::string& text, int value) {
    if (value >= 0) text += ' ';
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
    text += ' ';
}

std::string SystemReason(int error) {
    return std::generic_category().message(error);
}

RecordStatus Failure(RecordError error, int reason) {
    RecordStatus status;
    status.error = error;
    status.detail = SystemReason(reason);
    return status;
}

// The same chain of links the system follows before it gives up.
constexpr int kMostLinks = 40;

// The file that saving to `file` replaces: `file` itself, or where its links lead. A link
// replaced by a plain file would cut the person's file off from its other names.
bool FollowLinks(std::filesystem::path& file, RecordStatus& status) {
    namespace fs = std::filesystem;
    for (int links = 0;; ++links) {
        std::error_code failed;
        if (!fs::is_symlink(fs::symlink_status(file, failed))) return true;
        if (links == kMostLinks) {
            status = Failure(RecordError::CannotCreate, ELOOP);
            return false;
        }
        const fs::path next = fs::read_symlink(file, failed);
        if (failed) {
            status = Failure(RecordError::CannotCreate, failed.value());
            return false;
        }
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
}

// A name nobody is likely to hold; the exclusive create below settles it if someone does.
std::string RandomSuffix() {
    static std::atomic<uint64_t> counter{0};
    uint64_t x =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15u);
    // Mixed so that close clock readings give unrelated names.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    x ^= x >> 31;
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 8; ++i, x /= 36) suffix += kLetters[x % 36];
    return suffix;
}

// Creates a new, hidden file beside `target` that no one else has; retried on a clash.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary,
                    RecordStatus& status) {
    constexpr int kTries = 100;
    // Short enough that the longest name a folder takes still leaves room for the suffix.
    const std::string stem = target.filename().string().substr(0, 64);
    int reason = EEXIST;
    for (int attempt = 0; attempt < kTries && reason == EEXIST; ++attempt) {
        temporary = target.parent_path() / ("." + stem + "." + RandomSuffix() + ".tmp");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        reason = errno;
    }
    status = Failure(RecordError::CannotCreate, reason);
    return -1;
}

// Writes all of `text` and flushes it to the disk, then closes `fd` in any case.
bool WriteWhole(int fd, const std::string& text, RecordStatus& status) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) {
            status = Failure(RecordError::WriteFailed, errno);
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    if (::fsync(fd) != 0) {
        status = Failure(RecordError::WriteFailed, errno);
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        status = Failure(RecordError::WriteFailed, errno);
        return false;
    }
    return true;
}

}  // namespace

std::string RecordMessage(const RecordStatus& status) {
    return Where(status) + WhatWentWrong(status) + " (error " + std::to_string(status.Code()) + ")";
}

RecordStatus ParseGameRecord(std::string_view text, GameRecord& record) {
    ValueReader reader(text);
    RecordStatus status;
    int16_t count = 0;
    record.Moves.Clear();
    if (!ReadHeader(reader, record, count, status)) return status;
    // The moves as far as they can be read, each with the line its second cell ends on.
    int lines[kMoveCapacity + 1] = {};
    for (int i = 1; i <= count && status.Ok(); ++i) {
        PlayedMove move;
        if (Take(reader, move.placed, status) && Take(reader, move.moved, status)) {
            record.Moves.Add(move);
            lines[i] = reader.Line();
        } else {
            status.move = i;
            status.value = count;  // for a file that ends here
        }
    }
    // A move the rules refuse comes before any value after it that could not be read.
    BoardState b;
    const Replay replay = ReplayMoves(record.BoardSize, record.Moves, b);
    if (replay.Ok()) return status.Ok() ? RecordStatus{} : status;
    RecordStatus refused;
    refused.error = ErrorOf(replay.fault);
    refused.line = lines[replay.move];
    refused.size = record.BoardSize;
    refused.move = replay.move;
    refused.placed = record.Moves[replay.move].placed;
    refused.moved = record.Moves[replay.move].moved;
    return refused;
}

RecordStatus ReadRecordFile(const std::filesystem::path& file, GameRecord& record) {
    RecordStatus status;
    std::FILE* f = std::fopen(file.string().c_str(), "rb");
    if (!f) {
        status.error = RecordError::Unreadable;
        status.detail = SystemReason(errno);
        return status;
    }
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while (text.size() <= kLargestFile && (got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, got);
    const bool failed = std::ferror(f) != 0;
    const int reason = errno;
    std::fclose(f);
    if (failed || text.size() > kLargestFile) {
        status.error = RecordError::Unreadable;
        status.detail = failed ? SystemReason(reason) : "it is larger than 64 MiB";
        return status;
    }
    return ParseGameRecord(text, record);
}

std::string FormatGameRecord(const GameRecord& record) {
    std::string text;
    const auto line = [&text](int value) {
        AppendValue(text, value);
        text += "\r\n";
    };
    line(record.BoardSize);
    line(record.ComputerSideChoice);
    line(record.Moves.count());
    for (int i = 1; i <= record.Moves.count(); ++i) {
        AppendValue(text, record.Moves[i].placed);
        line(record.Moves[i].moved);
    }
    return text;
}

RecordStatus WriteRecordFile(const std::filesystem::path& file, const GameRecord& record) {
    RecordStatus status;
    std::filesystem::path target = file;
    if (!FollowLinks(target, status)) return status;
    struct stat replaced {};
    const bool keepMode = ::stat(target.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);

    std::filesystem::path temporary;
    const int fd = CreateTemporary(target, temporary, status);
    if (fd < 0) return status;
    // Best effort: a file system without modes still takes the record.
    if (keepMode) (void)::fchmod(fd, replaced.st_mode & 07777);
    if (!WriteWhole(fd, FormatGameRecord(record), status)) {
        ::unlink(temporary.c_str());
        return status;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        status = Failure(RecordError::CannotReplace, errno);
        ::unlink(temporary.c_str());
    }
    return status;
}

}  // namespace orbel
