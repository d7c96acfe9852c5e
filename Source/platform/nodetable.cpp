#include "platform/nodetable.h"

#include <cstdint>
#include <cstring>

namespace {
constexpr uint32_t kRelationCore = 0;
constexpr uint32_t kRelationNode = 1;
constexpr size_t kFlagsOffset = 8;
constexpr unsigned char kSmtFlag = 1;
}  // namespace

ProcessorCounts CountProcessors(const unsigned char* records, size_t length) {
  ProcessorCounts counts{0, 0, 0};
  size_t at = 0;
  while (length - at >= 2 * sizeof(uint32_t)) {
    uint32_t relation, size;
    std::memcpy(&relation, records + at, sizeof relation);
    std::memcpy(&size, records + at + sizeof relation, sizeof size);
    if (size == 0 || size > length - at) break;
    if (relation == kRelationNode) {
      counts.nodes++;
    } else if (relation == kRelationCore) {
      counts.cores++;
      const bool smt = size > kFlagsOffset && records[at + kFlagsOffset] == kSmtFlag;
      counts.threads += smt ? 2 : 1;
    }
    at += size;
  }
  return counts;
}

std::vector<int> BuildNodeTable(const ProcessorCounts& counts) {
  std::vector<int> table;
  if (counts.nodes <= 0) return table;
  const int per = counts.cores / counts.nodes;
  for (int node = 0; node < counts.nodes; node++) table.insert(table.end(), size_t(per), node);
  for (int k = 0; k < counts.threads - counts.cores; k++) table.push_back(k % counts.nodes);
  return table;
}
