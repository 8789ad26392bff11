#include "plugin/entry_points.h"

extern "C" {

int GetNumberOfSets() { return 1; }
const char* GetSetName(int setNumber) { return setNumber == 0 ? "TARNO Contest (C)" : ""; }
int GetExchgCount0(const char*, const char*, const char*) { return 1; }
int IsValidExchg0(const char*, const char*, const char*, const char*, int, int, int) { return 0; }
void SetupSet0() {}
int ResetStats0(const char*, int, const char*, COleDateTime*, COleDateTime*, const char*,
                const char*, const char*, const char*, const char*, const char*, const char*,
                const char*, const char*, const char*, int, int, int, double, double, const char*,
                const char*, const char*) {
  return 1;
}
int AddData0(const char*, const char*, COleDateTime*, COleDateTime*, COleDateTime*, COleDateTime*,
             unsigned int, unsigned int, const char*, const char*, const char*, const char*,
             const char*, const char*, const char*, const char*, const char*, const char*,
             const char*, const char*, const char*, const char*, const char*, int, int, int,
             double, double, const char*, const char*, const char*, const char*, const char*) {
  return 0;
}
int RemoveData0(const char*, const char*, COleDateTime*, COleDateTime*, COleDateTime*,
                COleDateTime*, unsigned int, unsigned int, const char*, const char*, const char*,
                const char*, const char*, const char*, const char*, const char*, const char*,
                const char*, const char*, const char*, const char*, const char*, const char*, int,
                int, int, double, double, const char*, const char*, const char*, const char*,
                const char*) {
  return 0;
}
int CheckCall0(const char*, unsigned int, unsigned int, const char*, const char*, const char*,
               const char*, const char*, const char*, const char*, const char*, const char*,
               const char*, const char*, int, int, int, double, double, const char*, const char*,
               const char*, const char*, const char*, const char*, const char*, char*, char*) {
  return 2;
}
const char* GetResult0(int*) { return ""; }
const char* RunCommand0(int, const char*) { return ""; }

}  // extern "C"
