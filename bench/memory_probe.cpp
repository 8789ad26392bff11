// tarno_memory_probe: the heap the contest log holds per QSO after 100,000 clean QSOs
// went through admission, counted by this program's own operator new. Portable, so
// that the same program built for the 32-bit DLL's target (bench/README says how)
// tells that target's figure.
//
// It counts the bytes asked for; what the heap spends besides (its block header and
// rounding) is estimated from each block's size with the heap of the target the probe
// runs on: glibc on 64-bit Linux, the Windows heap for a 32-bit program.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "contest/admission.h"
#include "contest/contest_log.h"
#include "host_qsos.h"

namespace {

constexpr size_t kProbeQsos = 100000;

// Room before each block for its size, keeping the alignment malloc gives.
constexpr size_t kSizeRoom = 16;

bool g_counting = false;
int64_t g_blocks = 0;
int64_t g_requested = 0;
int64_t g_heapBytes = 0;

// glibc (64-bit): 8 bytes of header, 16-byte steps, 32 bytes at least. The Windows
// heap (32-bit): 8 bytes of header, 8-byte steps.
int64_t HeapBytesOf(size_t size) {
  if (sizeof(void*) == 4) return static_cast<int64_t>((size + 7) / 8 * 8 + 8);
  const size_t chunk = (size + 8 + 15) / 16 * 16;
  return static_cast<int64_t>(chunk < 32 ? 32 : chunk);
}

void Count(size_t size, int sign) {
  if (!g_counting) return;
  g_blocks += sign;
  g_requested += sign * static_cast<int64_t>(size);
  g_heapBytes += sign * HeapBytesOf(size);
}

void* Allocate(size_t size) {
  void* raw = std::malloc(size + kSizeRoom);
  if (raw == nullptr) throw std::bad_alloc();
  *static_cast<size_t*>(raw) = size;
  Count(size, 1);
  return static_cast<char*>(raw) + kSizeRoom;
}

void Free(void* block) {
  if (block == nullptr) return;
  void* raw = static_cast<char*>(block) - kSizeRoom;
  Count(*static_cast<size_t*>(raw), -1);
  std::free(raw);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, size_t) noexcept { Free(block); }
void operator delete[](void* block, size_t) noexcept { Free(block); }

int main() {
  const std::vector<tarno::bench::BenchQso> qsos = tarno::bench::MakeCleanQsos(kProbeQsos);
  tarno::ContestLog log;
  tarno::BandList bands;
  g_counting = true;
  for (const tarno::bench::BenchQso& qso : qsos) {
    tarno::AdmitQso(tarno::bench::ParamsOf(qso), log, bands);
  }
  g_counting = false;
  const double n = static_cast<double>(log.Size());
  std::printf("pointer %zu bytes, std::string %zu bytes, CInfo %zu bytes, %zu QSOs\n",
              sizeof(void*), sizeof(std::string), sizeof(CInfo), log.Size());
  std::printf("blocks per QSO %.2f, bytes asked for per QSO %.1f, heap bytes per QSO %.1f\n",
              static_cast<double>(g_blocks) / n, static_cast<double>(g_requested) / n,
              static_cast<double>(g_heapBytes) / n);
  return log.Size() == kProbeQsos ? 0 : 1;
}
