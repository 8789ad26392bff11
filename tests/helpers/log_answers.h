#ifndef TARNO_TESTS_HELPERS_LOG_ANSWERS_H_
#define TARNO_TESTS_HELPERS_LOG_ANSWERS_H_

// After a fault, the module must still answer as its log says: a refused QSO stays
// refused, the first QSO of the test (DL0ABC on 20 m CW, when any was admitted) is still
// there, and the score counts every QSO admitted.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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

// Logs QSOs `from` to `to`-1 with new stations (OK<n>XY on 20 m); how many were admitted.
inline int AddNewStations(const EntryPoints& entry, int from, int to) {
  int admitted = 0;
  for (int n = from; n < to; ++n) {
    HostQso qso;
    const std::string call = "OK" + std::to_string(n) + "XY";
    qso.call = call.c_str();
    admitted += CallAddData(entry, qso);
  }
  return admitted;
}

// "err.txt" in the current folder after a full disk: no cut line among the whole ones, and
// once `makeRoom` has freed the disk, the next problem begins a line of its own instead of
// finishing a cut one.
inline void ExpectErrorFileWholeOnceThereIsRoom(const EntryPoints& entry,
                                                const std::function<void()>& makeRoom) {
  std::string cut;
  EXPECT_EQ(std::vector<std::string>(), BrokenErrorLines(Slurp("err.txt"), &cut));
  makeRoom();
  HostQso refused;
  refused.band = "12m";
  EXPECT_EQ(0, CallAddData(entry, refused));
  const std::string file = Slurp("err.txt");
  EXPECT_EQ(std::vector<std::string>(), BrokenErrorLines(file, &cut));
  EXPECT_EQ("", cut);
  EXPECT_NE(std::string::npos, file.find("NO CONTEST BAND !!!\r\n", file.size() - 24));
}

}  // namespace tarno

#endif  // TARNO_TESTS_HELPERS_LOG_ANSWERS_H_
