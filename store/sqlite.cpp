#include "store/sqlite.h"

namespace orbel::sqlite {

bool Connection::Open(const std::string& file, int flags) {
    Close();
    const int code = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_extended_result_codes(db_, 1);
        return true;
    }
    // A handle comes back even when opening fails, for its message only.
    openError_ = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    Close();
    return false;
}

void Connection::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool Connection::Run(const char* sql) {
    return db_ && sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string Connection::Error() const {
    return db_ ? sqlite3_errmsg(db_) : openError_;
}

Statement::Statement(Connection& connection, const char* sql) {
    if (!connection.IsOpen() ||
        sqlite3_prepare_v2(connection.handle(), sql, -1, &statement_, nullptr) != SQLITE_OK) {
        statement_ = nullptr;
        failed_ = true;
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

Statement& Statement::Bind(int index, int64_t value) {
    if (statement_ && sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) failed_ = true;
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    if (statement_ &&
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        failed_ = true;
    return *this;
}

bool Statement::Row() {
    if (failed_) return false;
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code != SQLITE_DONE) failed_ = true;
    return false;
}

bool Statement::Run() {
    while (Row()) {
    }
    return !failed_;
}

std::string Statement::Text(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string();
}

}  // namespace orbel::sqlite
