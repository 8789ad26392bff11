#ifndef TARNO_TOOLS_SERVE_STORE_STATEMENT_H_
#define TARNO_TOOLS_SERVE_STORE_STATEMENT_H_

// One prepared SQLite statement of the robot's store, finalised when it goes out of scope.
// A read that fails is an error, never the end of the rows: Step throws StoreError
// (robot_store.h) with SQLite's message and what was being read. A write says whether it
// went through. Used under the store's lock only.

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace tarno::score {

class Statement {
 public:
  // `what` names what the statement reads or writes, for the message of a failure.
  Statement(sqlite3* db, const std::string& sql, const char* what);
  ~Statement() { sqlite3_finalize(m_statement); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, int64_t value);
  Statement& Bind(int index, const std::string& text);
  Statement& BindBlob(int index, const std::string& bytes);
  Statement& BindNull(int index);

  // True while there is a row, false after the last one; throws StoreError on a failure.
  bool Step();
  // True when a statement that returns no rows went through.
  bool Run();
  int64_t Int(int column);
  std::string Text(int column);

 private:
  [[noreturn]] void Fail(const std::string& why) const;

  sqlite3* m_db;
  sqlite3_stmt* m_statement = nullptr;
  const char* m_what;
  std::string m_prepareError;  // why the statement could not be prepared, if it could not
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_STORE_STATEMENT_H_
