#include "plugin/cabrillo_steps.h"

#include "cabrillo/cabrillo_log.h"
#include "plugin/module_state.h"

namespace tarno {
namespace {

const char* ModeCode(const std::string& mode) {
  if (mode == "CW") return "CW";
  if (mode == "SSB") return "PH";
  return "??";
}

}  // namespace

void EditCabrilloHeader(const std::string& ownCall) {
  g_cabrilloLog.EditHeader(ownCall, ModuleSettings(), *g_desktop);
}

void ExportCabrillo(int* flag) {
  // Every export writes the whole log once, however often the score is asked for.
  g_cabrilloLog.m_qsoLines.clear();
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_cabrilloLog.m_qsoLines.reserve(g_log.Size());
    for (size_t i = 0; i < g_log.Size(); ++i) {
      const CInfo& record = g_log[i];
      g_cabrilloLog.AddQso(record.m_call, record.m_freqKHz, ModeCode(record.m_mode), record.m_time,
                           record.m_rstSent, record.m_exchSent, record.m_rstRcvd,
                           record.m_exchRcvd);
    }
  }
  const std::string message =
      g_cabrilloLog.WriteLog(*g_env, g_claimedScore, g_desktop->HostVersion());
  g_desktop->ShowOutputMessage(message);
  if (flag) *flag = -1;
}

}  // namespace tarno
