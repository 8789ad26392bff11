#include "plugin/module_state.h"

// One translation unit, so that the objects are built in this order and destroyed
// in the reverse one.
std::mutex g_lock;
tarno::ContestLog g_log;
tarno::BandList g_bands;
std::string g_ownContinent;
std::string g_ownCall;
std::string g_startText;
std::string g_endText;
std::string g_yearText;
tarno::BandTextLists g_workedRows;
tarno::BandTextLists g_bandCounties;
int g_cabrilloMode = 0;
tarno::Env* g_env = tarno::Env::Default();
