#ifndef TARNO_TESTS_HELPERS_LOG_ANSWERS_H_
#define TARNO_TESTS_HELPERS_LOG_ANSWERS_H_

// After a fault, the module must still answer as its log says: a refused QSO stays
// refused, the first QSO of the test (DL0ABC on 20 m CW, when any was admitted) is still
// there, and the score counts every QSO admitted.

#include <gtest/gtest.h>

#include <string>

#include "helpers/file_checks.h"
#include "helpers/host_calls.h"

namespace tarno {

inline void ExpectLogAnswers(const EntryPoints& entry, int admitted) {
  EXPECT_STREQ("", entry.runCommand(0, "NOTHING"));
  HostQso refused;
  refused.band = "30m";
  EXPECT_EQ(0, CallAddData(entry, refused));
  HostQso absent;
  absent.call = "ZZ9ZZZ";
  EXPECT_EQ(1, CallRemoveData(entry, absent)) << "a QSO not in the log is accepted";
  if (admitted > 0) {
    EXPECT_EQ(0, CallCheckCall(entry, "DL0ABC", "CW", "DL", "", "20m")) << "first QSO lost";
  }
  EXPECT_EQ(admitted > 0 ? 1 : 2, CallCheckCall(entry, "DL99999ZZ", "CW", "DL", "", "20m"));
  int flag = 7;
  const std::string sheet = entry.getResult(&flag);
  EXPECT_EQ(admitted, TotalQsos(sheet)) << sheet;
}

}  // namespace tarno

#endif  // TARNO_TESTS_HELPERS_LOG_ANSWERS_H_
