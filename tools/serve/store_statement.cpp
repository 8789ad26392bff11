#include "serve/store_statement.h"

#include "serve/robot_store.h"

namespace tarno::score {

Statement::Statement(sqlite3* db, const std::string& sql, const char* what)
    : m_db(db), m_what(what) {
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &m_statement, nullptr) != SQLITE_OK) {
    m_prepareError = sqlite3_errmsg(db);
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
  }
}

void Statement::Fail(const std::string& why) const {
  throw StoreError(std::string("the robot's database could not be read (") + m_what + "): " + why);
}

Statement& Statement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(m_statement, index, value);
  return *this;
}

Statement& Statement::Bind(int index, const std::string& text) {
  sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                    SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindBlob(int index, const std::string& bytes) {
  sqlite3_bind_blob64(m_statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindNull(int index) {
  sqlite3_bind_null(m_statement, index);
  return *this;
}

bool Statement::Step() {
  if (!m_statement) Fail(m_prepareError);
  const int stepped = sqlite3_step(m_statement);
  if (stepped == SQLITE_ROW) return true;
  if (stepped == SQLITE_DONE) return false;
  Fail(sqlite3_errmsg(m_db));
}

bool Statement::Run() { return m_statement && sqlite3_step(m_statement) == SQLITE_DONE; }

int64_t Statement::Int(int column) { return sqlite3_column_int64(m_statement, column); }

std::string Statement::Text(int column) {
  const void* data = sqlite3_column_blob(m_statement, column);
  const int size = sqlite3_column_bytes(m_statement, column);
  return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
              : std::string();
}

}  // namespace tarno::score
