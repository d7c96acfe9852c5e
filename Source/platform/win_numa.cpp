#include "platform/numa.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/nodetable.h"

namespace {

using GetInfoFn = BOOL(WINAPI*)(LOGICAL_PROCESSOR_RELATIONSHIP, PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX,
                                PDWORD);
using GetNodeMaskFn = BOOL(WINAPI*)(USHORT, PGROUP_AFFINITY);
using SetAffinityFn = BOOL(WINAPI*)(HANDLE, const GROUP_AFFINITY*, PGROUP_AFFINITY);

// Looked up at run time, so that the program starts on systems without them.
template <typename Fn>
Fn Lookup(const char* name) {
  HMODULE kernel = GetModuleHandleA("Kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

int GetThreadNumaNode(int index) {
  const auto get_info = Lookup<GetInfoFn>("GetLogicalProcessorInformationEx");
  if (!get_info) return -1;
  const auto all = static_cast<LOGICAL_PROCESSOR_RELATIONSHIP>(0xFFFF);
  DWORD length = 0;
  if (get_info(all, nullptr, &length)) return -1;
  std::vector<unsigned char> records(length);
  if (!get_info(all, reinterpret_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX>(records.data()), &length))
    return -1;
  const ProcessorCounts counts = CountProcessors(records.data(), length);
  const std::vector<int> table = BuildNodeTable(counts);
  if (index == 0) std::printf("nodes=%d, cores=%d, threads=%d\n", counts.nodes, counts.cores, counts.threads);
  return index < int(table.size()) ? table[size_t(index)] : -1;
}

}  // namespace

void BindThreadToNode(int index) {
  const int node = GetThreadNumaNode(index);
  if (node < 0) return;
  const auto node_mask = Lookup<GetNodeMaskFn>("GetNumaNodeProcessorMaskEx");
  const auto set_affinity = Lookup<SetAffinityFn>("SetThreadGroupAffinity");
  if (!node_mask || !set_affinity) return;
  GROUP_AFFINITY affinity{};
  if (!node_mask(USHORT(node), &affinity)) return;
  // The threads layer gives no system handle of a detached thread, so the
  // worker binds itself.
  if (!set_affinity(GetCurrentThread(), &affinity, nullptr)) return;
  std::printf("thread %d, set group affinity to %d\n", index, int(affinity.Group));
}
