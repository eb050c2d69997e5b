// A thin hold on the sqlite3 C library for the store: a connection that closes itself and
// prepared statements that finalise themselves.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace orbel::sqlite {

class Connection {
  public:
    Connection() = default;
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // sqlite3_open_v2 with `flags`; false, with Error(), when it fails.
    bool Open(const std::string& file, int flags);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }

    // Runs SQL without results; false, with Error() and Code(), on the first failure.
    bool Run(const char* sql);
    // The extended result code and the message of the last failure.
    int Code() const { return db_ ? sqlite3_extended_errcode(db_) : SQLITE_CANTOPEN; }
    std::string Error() const;

    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
    std::string openError_;
};

// One prepared statement: bind, then step through its rows.
class Statement {
  public:
    Statement(Connection& connection, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Prepared() const { return statement_ != nullptr; }
    // Parameters count from 1.
    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, std::string_view text);
    // True while there is a row; false at the end and on a failure (Failed()).
    bool Row();
    // Steps to the end: true when the statement ran to completion.
    bool Run();
    bool Failed() const { return failed_; }

    int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string Text(int column) const;
    // The column's type is an integer, a text, ..., as SQLite stores it.
    int Type(int column) const { return sqlite3_column_type(statement_, column); }

  private:
    sqlite3_stmt* statement_ = nullptr;
    bool failed_ = false;
};

}  // namespace orbel::sqlite
