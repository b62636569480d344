// The weighted complete-graph architecture "cmpltw".
//
// File data: the terminal count n, then the weight of each terminal. Like
// "cmplt", any two distinct domains are at distance 1, and a domain is a
// range of consecutive positions, but of an arrangement of the terminals
// computed at load: the terminals are split recursively into two groups of
// nearly equal weight (heaviest first, each to the lighter group), each
// group laid out after the other. The depth of every such split is kept at
// the position where it cuts the arrangement, so that splitting a domain
// cuts it where the shallowest split inside it lies: the groups found at
// load, whatever range a caller hands in.
#include "arch/arch_cmpltw.h"

#include <algorithm>
#include <cstring>

#include "arch/arch_cmplt.h"

namespace {

// Lays the terminals out and records the depth of each split. The terminals
// of every range being split are sorted by decreasing weight, which the
// greedy split keeps in both its groups.
int archCmpltwArchBuild2(ArchCmpltw* data, const GraphNum* weights) {
  const size_t termNbr = static_cast<size_t>(data->termNbr);
  ArchCmpltwLoad* scratch = nullptr;
  GraphNum* stack = nullptr;  // pending ranges: first, end and depth
  ScratchBlock scratchBlock(memGroupAlloc(
      {memEntry(scratch, termNbr * sizeof(ArchCmpltwLoad)), memEntry(stack, 3 * termNbr * sizeof(GraphNum))}));
  if (scratch == nullptr || memGroupAlloc({memEntry(data->velotab, termNbr * sizeof(ArchCmpltwLoad)),
                                           memEntry(data->posttab, termNbr * sizeof(GraphNum)),
                                           memEntry(data->levltab, termNbr * sizeof(GraphNum))}) == nullptr) {
    errorPrint("archCmpltwArchBuild2: out of memory");
    return 1;
  }

  int64_t veloSum = 0;
  for (GraphNum terminal = 0; terminal < data->termNbr; terminal++) {
    data->velotab[terminal] = ArchCmpltwLoad{weights[terminal], terminal};
    veloSum += weights[terminal];
  }
  data->veloSum = static_cast<GraphNum>(veloSum);
  std::sort(data->velotab, data->velotab + termNbr, [](const ArchCmpltwLoad& a, const ArchCmpltwLoad& b) {
    return (a.veloval != b.veloval) ? (a.veloval > b.veloval) : (a.vertnum < b.vertnum);
  });

  data->levltab[0] = -1;  // no split before the first position
  GraphNum stackNbr = 0;
  auto push = [&](GraphNum first, GraphNum end, GraphNum depth) {
    if (end - first < 2) return;  // a single terminal is not split
    stack[3 * stackNbr] = first;
    stack[3 * stackNbr + 1] = end;
    stack[3 * stackNbr + 2] = depth;
    stackNbr++;
  };
  push(0, data->termNbr, 0);
  while (stackNbr > 0) {
    stackNbr--;
    const GraphNum first = stack[3 * stackNbr];
    const GraphNum end = stack[3 * stackNbr + 1];
    const GraphNum depth = stack[3 * stackNbr + 2];
    // Greedy split: each terminal, heaviest first, joins the lighter group.
    // Group 0 fills the scratch from its start, group 1 from its end.
    int64_t groupLoad[2] = {0, 0};
    GraphNum head = first, tail = end;
    for (GraphNum position = first; position < end; position++) {
      const ArchCmpltwLoad& terminal = data->velotab[position];
      if (groupLoad[0] <= groupLoad[1]) {
        groupLoad[0] += terminal.veloval;
        scratch[head++] = terminal;
      } else {
        groupLoad[1] += terminal.veloval;
        scratch[--tail] = terminal;
      }
    }
    std::reverse(scratch + tail, scratch + end);  // group 1 back in decreasing order
    std::copy(scratch + first, scratch + end, data->velotab + first);
    data->levltab[head] = depth;
    push(first, head, depth + 1);
    push(head, end, depth + 1);
  }
  for (GraphNum position = 0; position < data->termNbr; position++)
    data->posttab[data->velotab[position].vertnum] = position;
  return 0;
}

// Weight of consecutive positions.
GraphNum archCmpltwRangeLoad(const ArchCmpltw* data, GraphNum first, GraphNum count) {
  int64_t load = 0;
  for (GraphNum position = first; position < first + count; position++) load += data->velotab[position].veloval;
  return static_cast<GraphNum>(load);
}

int archCmpltwArchLoad(ArchCmpltw* data, FILE* stream) {
  if (!archReadNum(stream, &data->termNbr, 1, INT32_MAX)) {
    errorPrint("archCmpltwArchLoad: bad input (1)");
    return 1;
  }
  ArchGrowArray<GraphNum> weights(static_cast<size_t>(data->termNbr));
  int64_t veloSum = 0;
  for (GraphNum terminal = 0; terminal < data->termNbr; terminal++) {
    if (!weights.reserve(static_cast<size_t>(terminal))) {
      errorPrint("archCmpltwArchLoad: out of memory");
      return 1;
    }
    GraphNum& weight = weights[static_cast<size_t>(terminal)];
    if (!archReadNum(stream, &weight, 1, INT32_MAX) || (veloSum += weight) > INT32_MAX) {
      errorPrint("archCmpltwArchLoad: bad input (2)");
      return 1;
    }
  }
  return archCmpltwArchBuild2(data, weights.data());
}

int archCmpltwArchSave(const ArchCmpltw* data, FILE* stream) {
  if (fprintf(stream, "%d", data->termNbr) < 0) {
    errorPrint("archCmpltwArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum terminal = 0; terminal < data->termNbr; terminal++) {
    if (fprintf(stream, " %d", data->velotab[data->posttab[terminal]].veloval) < 0) {
      errorPrint("archCmpltwArchSave: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "\n") < 0) {
    errorPrint("archCmpltwArchSave: bad output (3)");
    return 1;
  }
  return 0;
}

int archCmpltwArchFree(ArchCmpltw* data) {
  memFree(data->velotab);
  memset(data, 0, sizeof(ArchCmpltw));
  return 0;
}

int archCmpltwMatchInit(ArchCmpltMatch* match, const ArchCmpltw* data) {
  return archCmpltMatchStart(match, data->termNbr);
}

GraphNum archCmpltwDomNumber(const ArchCmpltw* data, const ArchCmpltwDom* domain) {
  return data->velotab[domain->vertmin].vertnum;
}

int archCmpltwDomTerminal(const ArchCmpltw* data, ArchCmpltwDom* domain, GraphNum number) {
  if (number < 0 || number >= data->termNbr) return 1;
  domain->vertmin = data->posttab[number];
  domain->vertnbr = 1;
  domain->veloval = data->velotab[domain->vertmin].veloval;
  return 0;
}

GraphNum archCmpltwDomSize(const ArchCmpltw*, const ArchCmpltwDom* domain) { return domain->vertnbr; }

GraphNum archCmpltwDomWeight(const ArchCmpltw*, const ArchCmpltwDom* domain) { return domain->veloval; }

GraphNum archCmpltwDomDist(const ArchCmpltw*, const ArchCmpltwDom* first, const ArchCmpltwDom* second) {
  return (first->vertmin == second->vertmin && first->vertnbr == second->vertnbr) ? 0 : 1;
}

int archCmpltwDomFirst(const ArchCmpltw* data, ArchCmpltwDom* domain) {
  domain->vertmin = 0;
  domain->vertnbr = data->termNbr;
  domain->veloval = data->veloSum;
  return 0;
}

int archCmpltwDomLoad(const ArchCmpltw* data, ArchCmpltwDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->vertmin, 0, data->termNbr - 1) ||
      !archReadNum(stream, &domain->vertnbr, 1, data->termNbr - domain->vertmin)) {
    errorPrint("archCmpltwDomLoad: bad input");
    return 1;
  }
  domain->veloval = archCmpltwRangeLoad(data, domain->vertmin, domain->vertnbr);
  return 0;
}

int archCmpltwDomSave(const ArchCmpltw*, const ArchCmpltwDom* domain, FILE* stream) {
  if (fprintf(stream, "%d %d ", domain->vertmin, domain->vertnbr) < 0) {
    errorPrint("archCmpltwDomSave: bad output");
    return 1;
  }
  return 0;
}

int archCmpltwDomBipart(const ArchCmpltw* data, const ArchCmpltwDom* domain, ArchCmpltwDom* first,
                        ArchCmpltwDom* second) {
  if (domain->vertnbr < 2) return 1;
  GraphNum cut = domain->vertmin + 1;  // the shallowest split inside the domain
  for (GraphNum position = cut + 1; position < domain->vertmin + domain->vertnbr; position++)
    if (data->levltab[position] < data->levltab[cut]) cut = position;
  first->vertmin = domain->vertmin;
  first->vertnbr = cut - domain->vertmin;
  first->veloval = archCmpltwRangeLoad(data, first->vertmin, first->vertnbr);
  second->vertmin = cut;
  second->vertnbr = domain->vertnbr - first->vertnbr;
  second->veloval = domain->veloval - first->veloval;
  return 0;
}

int archCmpltwDomIncludes(const ArchCmpltw*, const ArchCmpltwDom* outer, const ArchCmpltwDom* inner) {
  return (inner->vertmin >= outer->vertmin && static_cast<int64_t>(inner->vertmin) + inner->vertnbr <=
                                                  static_cast<int64_t>(outer->vertmin) + outer->vertnbr)
             ? 1
             : 0;
}

}  // namespace

constinit const ArchClass archCmpltwClass = {
    .name = "cmpltw",
    .flags = ARCH_PART,
    .archLoad = archOp<archCmpltwArchLoad>,
    .archSave = archOp<archCmpltwArchSave>,
    .archFree = archOp<archCmpltwArchFree>,
    .archMatchInit = archOp<archCmpltwMatchInit>,
    .archMatchExit = archOp<archCmpltMatchExit>,
    .archMatchMate = archOp<archCmpltMatchMate>,
    .archDomNumber = archOp<archCmpltwDomNumber>,
    .archDomTerminal = archOp<archCmpltwDomTerminal>,
    .archDomSize = archOp<archCmpltwDomSize>,
    .archDomWeight = archOp<archCmpltwDomWeight>,
    .archDomDist = archOp<archCmpltwDomDist>,
    .archDomFirst = archOp<archCmpltwDomFirst>,
    .archDomLoad = archOp<archCmpltwDomLoad>,
    .archDomSave = archOp<archCmpltwDomSave>,
    .archDomBipart = archOp<archCmpltwDomBipart>,
    .archDomIncludes = archOp<archCmpltwDomIncludes>,
    .domainSize = sizeof(ArchCmpltwDom),
    .archLoadedClass = nullptr,
};

int archCmpltwArchBuild(Arch* arch, GraphNum termNbr, const GraphNum* velotab) {
  bool valid = termNbr >= 1;
  int64_t veloSum = 0;
  for (GraphNum terminal = 0; valid && terminal < termNbr; terminal++)
    valid = velotab[terminal] >= 1 && (veloSum += velotab[terminal]) <= INT32_MAX;
  if (!valid) {
    errorPrint("archCmpltwArchBuild: invalid parameters");
    return 1;
  }
  archSetClass(arch, &archCmpltwClass);
  ArchCmpltw* data = archDataOf<ArchCmpltw>(arch);
  data->termNbr = termNbr;
  return archCmpltwArchBuild2(data, velotab);
}
