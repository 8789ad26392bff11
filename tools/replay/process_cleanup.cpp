#include "replay/process_cleanup.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace tarno::score {
namespace {

constexpr int kSlots = 8;
constexpr int kPathsPerSlot = 8;
constexpr size_t kPathBytes = 1024;

enum SlotState : int { kFree, kFilling, kArmed };

// Fixed room, because a signal handler may read memory but not allocate it.
struct Slot {
  std::atomic<int> state{kFree};
  int count = 0;
  char paths[kPathsPerSlot][kPathBytes];
};

Slot g_slots[kSlots];

}  // namespace

bool InterruptCleanup::Arm(const std::vector<std::string>& paths) {
  Disarm();
  if (paths.size() > static_cast<size_t>(kPathsPerSlot)) return false;
  for (const std::string& path : paths) {
    if (path.size() >= kPathBytes || path.find('\0') != std::string::npos) return false;
  }
  static std::once_flag installed;
  std::call_once(installed, interrupt::InstallHandlers);
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    Slot& slot = g_slots[i];
    for (size_t j = 0; j < paths.size(); ++j)
      std::memcpy(slot.paths[j], paths[j].c_str(), paths[j].size() + 1);
    slot.count = static_cast<int>(paths.size());
    slot.state.store(kArmed);
    m_slot = i;
    return true;
  }
  return false;
}

void InterruptCleanup::Disarm() {
  if (m_slot < 0) return;
  g_slots[m_slot].state.store(kFree);
  m_slot = -1;
}

namespace interrupt {

void RemoveArmedPaths() {
  for (Slot& slot : g_slots) {
    if (slot.state.load() != kArmed) continue;
    for (int i = 0; i < slot.count; ++i) RemovePath(slot.paths[i]);
  }
}

}  // namespace interrupt
}  // namespace tarno::score
