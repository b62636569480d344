// The Mapping record: the domain of every vertex of a graph, as an index
// into an array of architecture domains.
#include <cstring>

#include "kgraph/kgraph.h"

int mapInit(Mapping* mapping, Graph* graph, Arch* arch, const ArchDom* domain) {
  mapping->flags = 0;
  mapping->graph = graph;
  mapping->arch = arch;
  mapping->parts = nullptr;
  mapping->domains = nullptr;
  mapping->domainCount = 0;
  mapping->initialDomain = *domain;
  // A variable-sized architecture has no terminal count to size the domain
  // array by: start small, the array grows by domain. Nor does an
  // architecture of far more terminals than the graph has vertices: the
  // domains in use cannot outnumber the vertices by much.
  const GraphNum vertexCount = (graph->vertexCount < 1023) ? graph->vertexCount : 1023;
  if (archVar(arch) != 0)
    mapping->domainMax = vertexCount + 1;
  else {
    const GraphNum size = archDomSize(arch, domain);
    const GraphNum bound = (graph->vertexCount > 1023) ? graph->vertexCount : 1023;
    mapping->domainMax = ((size < bound) ? size : bound) + 1;
  }
  return 0;
}

int mapAlloc(Mapping* mapping) {
  const Graph* graph = mapping->graph;
  if ((mapping->flags & MAP_FREE_PARTS) == 0) {
    GraphNum* parts =
        static_cast<GraphNum*>(memAlloc(static_cast<size_t>(graph->vertexCount) * sizeof(GraphNum)));
    if (parts == nullptr) {
      errorPrint("mapAlloc: out of memory (1)");
      return 1;
    }
    mapping->parts = parts - graph->base;
    mapping->flags |= MAP_FREE_PARTS;
  }
  if ((mapping->flags & MAP_FREE_DOMAINS) == 0) {
    ArchDom* domains = static_cast<ArchDom*>(memAlloc(static_cast<size_t>(mapping->domainMax) * sizeof(ArchDom)));
    if (domains == nullptr) {
      errorPrint("mapAlloc: out of memory (2)");
      return 1;
    }
    mapping->domains = domains;
    mapping->flags |= MAP_FREE_DOMAINS;
  }
  return 0;
}

namespace {

int mapResizeKeeping(Mapping* mapping, GraphNum domainMax, bool keepBorrowed) {
  const size_t bytes = static_cast<size_t>(domainMax) * sizeof(ArchDom);
  ArchDom* domains;
  if ((mapping->flags & MAP_FREE_DOMAINS) != 0)
    domains = static_cast<ArchDom*>(memRealloc(mapping->domains, bytes));
  else {
    domains = static_cast<ArchDom*>(memAlloc(bytes));
    if ((domains != nullptr) && keepBorrowed && (mapping->domains != nullptr)) {
      const GraphNum count = (mapping->domainCount < domainMax) ? mapping->domainCount : domainMax;
      memcpy(domains, mapping->domains, static_cast<size_t>(count) * sizeof(ArchDom));
    }
  }
  if (domains == nullptr) {
    errorPrint("mapResize2: out of memory");
    return 1;
  }
  mapping->domains = domains;
  mapping->domainMax = domainMax;
  mapping->flags |= MAP_FREE_DOMAINS;
  return 0;
}

}  // namespace

int mapResize(Mapping* mapping, GraphNum domainMax) { return mapResizeKeeping(mapping, domainMax, false); }

int mapResize2(Mapping* mapping, GraphNum domainMax) { return mapResizeKeeping(mapping, domainMax, true); }

void mapFirst(Mapping* mapping) {
  const Graph* graph = mapping->graph;
  mapping->domainCount = 1;
  mapping->domains[0] = mapping->initialDomain;
  if (graph->vertexCount > 0)
    memset(mapping->parts + graph->base, 0, static_cast<size_t>(graph->vertexCount) * sizeof(GraphNum));
}

bool MapTerminalTable::init(GraphNum slotCount) {
  GraphNum size = 32;
  while (size < slotCount) size *= 2;
  memFree(slots_);
  slots_ = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(size) * 2 * sizeof(GraphNum)));
  if (slots_ == nullptr) return false;
  for (GraphNum slot = 0; slot < size * 2; slot++) slots_[slot] = -1;
  mask_ = size - 1;
  used_ = 0;
  return true;
}

GraphNum MapTerminalTable::find(GraphNum terminal) const {
  for (uint32_t slot = (static_cast<uint32_t>(terminal) * 17u) & static_cast<uint32_t>(mask_);;
       slot = (slot + 1) & static_cast<uint32_t>(mask_)) {
    if (slots_[2 * slot] == terminal) return slots_[2 * slot + 1];
    if (slots_[2 * slot] == -1) return -1;
  }
}

bool MapTerminalTable::insert(GraphNum terminal, GraphNum domain) {
  if (2 * (used_ + 1) > mask_ + 1) {  // keep the table at most half full
    GraphNum* old = slots_;
    const GraphNum oldSize = mask_ + 1;
    slots_ = nullptr;
    if (!init(2 * oldSize)) {
      slots_ = old;
      return false;
    }
    for (GraphNum slot = 0; slot < oldSize; slot++)
      if (old[2 * slot] != -1) insert(old[2 * slot], old[2 * slot + 1]);
    memFree(old);
  }
  uint32_t slot = (static_cast<uint32_t>(terminal) * 17u) & static_cast<uint32_t>(mask_);
  while (slots_[2 * slot] != -1) slot = (slot + 1) & static_cast<uint32_t>(mask_);
  slots_[2 * slot] = terminal;
  slots_[2 * slot + 1] = domain;
  used_++;
  return true;
}

namespace {

// The domain index of a terminal, appending its one-terminal domain when
// the table has none. Returns the index, -1 for a terminal the
// architecture does not have, or -2 when memory runs out.
GraphNum mapTerminalDomain(Mapping* mapping, MapTerminalTable* table, GraphNum terminal) {
  const GraphNum found = table->find(terminal);
  if (found >= 0) return found;
  ArchDom domain;
  if ((terminal < 0) || (archDomTerminal(mapping->arch, &domain, terminal) != 0)) return -1;
  if ((mapping->domainCount == mapping->domainMax) && (mapResize2(mapping, mapGrowth(mapping->domainMax)) != 0))
    return -2;
  const GraphNum index = mapping->domainCount;
  if (!table->insert(terminal, index)) return -2;
  mapping->domains[index] = domain;
  mapping->domainCount++;
  return index;
}

// Slots for a table of terminals: 4p, p the smallest power of two above
// the architecture's terminal count (the vertex count for a
// variable-sized one).
GraphNum mapTableSize(const Mapping* mapping) {
  GraphNum size = mapping->graph->vertexCount;
  if (archVar(mapping->arch) == 0) {
    ArchDom whole;
    archDomFirst(mapping->arch, &whole);
    size = archDomSize(mapping->arch, &whole);
  }
  GraphNum power = 1;
  while ((power <= size) && (power < (1 << 28))) power *= 2;
  return 4 * power;
}

// Gives every vertex whose terminal is not -1 the domain of its terminal
// in the table, appending domains as needed. name and what tell the
// messages apart.
int mapAssignTerminals(Mapping* mapping, MapTerminalTable* table, const GraphNum* terminals, const char* name,
                       const char* what) {
  const Graph* graph = mapping->graph;
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++) {
    const GraphNum terminal = terminals[vertex];
    if (terminal == -1) continue;
    const GraphNum index = mapTerminalDomain(mapping, table, terminal);
    if (index == -1) {
      errorPrint("%s: invalid %s %d of vertex %d", name, what, terminal, vertex);
      return 1;
    }
    if (index < 0) {
      errorPrint("%s: out of memory", name);
      return 1;
    }
    mapping->parts[vertex] = index;
  }
  return 0;
}

}  // namespace

int mapBuild2(Mapping* mapping, const GraphNum* terminals) {
  MapTerminalTable table;
  if (!table.init(mapTableSize(mapping))) {
    errorPrint("mapBuild2: out of memory");
    return 1;
  }
  return mapAssignTerminals(mapping, &table, terminals, "mapBuild2", "terminal");
}

int mapMerge(Mapping* mapping, const GraphNum* fixedTerminals) {
  MapTerminalTable table;
  if (!table.init(mapTableSize(mapping))) {
    errorPrint("mapMerge: out of memory");
    return 1;
  }
  // The domains of one terminal already there are reused.
  for (GraphNum index = 0; index < mapping->domainCount; index++) {
    const ArchDom* domain = &mapping->domains[index];
    if (archDomSize(mapping->arch, domain) != 1) continue;
    const GraphNum terminal = archDomNumber(mapping->arch, domain);
    if ((table.find(terminal) < 0) && !table.insert(terminal, index)) {
      errorPrint("mapMerge: out of memory");
      return 1;
    }
  }
  return mapAssignTerminals(mapping, &table, fixedTerminals, "mapMerge", "fixed terminal");
}

void mapTerminal(const Mapping* mapping, GraphNum* terminals) {
  const Graph* graph = mapping->graph;
  if ((mapping->domains == nullptr) || (mapping->parts == nullptr) || (mapping->domainCount == 0)) {
    for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++) terminals[vertex] = -1;
    return;
  }
  // One architecture call per domain rather than per vertex, when there is
  // memory for the table.
  GraphNum* numbers = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(mapping->domainCount) * sizeof(GraphNum)));
  if (numbers == nullptr) {
    for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++)
      terminals[vertex] = archDomNumber(mapping->arch, &mapping->domains[mapping->parts[vertex]]);
    return;
  }
  for (GraphNum index = 0; index < mapping->domainCount; index++)
    numbers[index] = archDomNumber(mapping->arch, &mapping->domains[index]);
  for (GraphNum vertex = graph->base; vertex < graph->vertexEnd; vertex++)
    terminals[vertex] = numbers[mapping->parts[vertex]];
  memFree(numbers);
}

void mapExit(Mapping* mapping) {
  if (((mapping->flags & MAP_FREE_PARTS) != 0) && (mapping->parts != nullptr))
    memFreeBased(mapping->parts, mapping->graph->base);
  if (((mapping->flags & MAP_FREE_DOMAINS) != 0) && (mapping->domains != nullptr)) memFree(mapping->domains);
  mapping->parts = nullptr;
  mapping->domains = nullptr;
  mapping->domainCount = 0;
  mapping->flags = 0;
}

int mapCopy(Mapping* target, const Mapping* source) {
  if ((source->domainCount > target->domainMax) && (mapResize(target, source->domainCount) != 0)) return 1;
  memcpy(target->domains, source->domains, static_cast<size_t>(source->domainCount) * sizeof(ArchDom));
  target->domainCount = source->domainCount;
  const Graph* graph = target->graph;
  if (graph->vertexCount > 0)
    memcpy(target->parts + graph->base, source->parts + graph->base,
           static_cast<size_t>(graph->vertexCount) * sizeof(GraphNum));
  return 0;
}
