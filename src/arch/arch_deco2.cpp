// Decompositions over a graph of the terminals, the second "deco" entry,
// reached from the first one's loader by format number 2.
//
// The machine is given by the links between its terminals and by a binary
// tree of its 2n - 1 domains (the n terminals being the leaves), laid out
// so that the terminals of every domain are one range of positions. Each
// domain has a representative terminal; the distance of two domains is the
// number of links on a shortest path between their representatives, found
// by a breadth-first search when asked for.
//
// File data after the format number: the terminal count n, the domain count
// 2n - 1 and the link count; per domain a line of nine values: its number
// (the line's index), its father (-1 for the root, domain 0), its two
// children (-1 for a terminal), its depth, terminal count, weight, first
// position in the layout and representative terminal; then the terminal at
// each position of the layout; then the links, as pairs of terminals. A
// child is numbered after its father. The links must connect every
// terminal.
#include <algorithm>
#include <cstring>

#include "arch/arch_deco.h"
#include "arch/arch_tree_match.h"

namespace {

struct ArchDeco2Dom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum vertnum;
};

bool archDeco2Alloc(ArchDeco2* data) {
  const size_t termnbr = static_cast<size_t>(data->termnbr);
  return memGroupAlloc({memEntry(data->verttab, (2 * termnbr - 1) * sizeof(ArchDeco2Vert)),
                        memEntry(data->ordetab, termnbr * sizeof(GraphNum)),
                        memEntry(data->leaftab, termnbr * sizeof(GraphNum))}) != nullptr;
}

// Builds the neighbour lists from the link pairs, in link order; false when
// out of memory.
bool archDeco2Links(ArchDeco2* data, const GraphNum* edgetab) {
  const size_t termnbr = static_cast<size_t>(data->termnbr);
  if (memGroupAlloc({memEntry(data->adjatab, 2 * static_cast<size_t>(data->edgenbr) * sizeof(GraphNum)),
                     memEntry(data->adjaidx, (termnbr + 1) * sizeof(GraphNum))}) == nullptr)
    return false;
  GraphNum* adjaidx = data->adjaidx;
  std::fill(adjaidx, adjaidx + termnbr + 1, 0);
  for (GraphNum end = 0; end < 2 * data->edgenbr; end++) adjaidx[edgetab[end] + 1]++;
  for (size_t terminal = 0; terminal < termnbr; terminal++) adjaidx[terminal + 1] += adjaidx[terminal];
  // Filling moves each start to the next list's start; shift them back.
  for (GraphNum edge = 0; edge < data->edgenbr; edge++) {
    GraphNum first = edgetab[2 * edge], second = edgetab[2 * edge + 1];
    data->adjatab[adjaidx[first]++] = second;
    data->adjatab[adjaidx[second]++] = first;
  }
  for (size_t terminal = termnbr; terminal > 0; terminal--) adjaidx[terminal] = adjaidx[terminal - 1];
  adjaidx[0] = 0;
  return true;
}

// Breadth-first search over the terminals from source, visiting only those
// whose inside mark equals insideMark (all when inside is null). Visited
// terminals get seenMark in seen and are listed in queue; returns their
// count. With a target, stops once it is reached and returns its distance
// in *distance.
GraphNum archDeco2Search(const ArchDeco2* data, GraphNum source, const GraphNum* inside, GraphNum insideMark,
                         GraphNum* seen, GraphNum seenMark, GraphNum* queue, GraphNum target = -1,
                         GraphNum* distance = nullptr) {
  GraphNum head = 0, tail = 0, levelEnd = 1, level = 0;
  queue[tail++] = source;
  seen[source] = seenMark;
  while (head < tail) {
    if (head == levelEnd) {
      level++;
      levelEnd = tail;
    }
    GraphNum terminal = queue[head++];
    if (terminal == target) {
      *distance = level;
      return tail;
    }
    for (GraphNum index = data->adjaidx[terminal]; index < data->adjaidx[terminal + 1]; index++) {
      GraphNum neighbour = data->adjatab[index];
      if (seen[neighbour] == seenMark || (inside != nullptr && inside[neighbour] != insideMark)) continue;
      seen[neighbour] = seenMark;
      queue[tail++] = neighbour;
    }
  }
  return tail;
}

// True when the links connect every terminal.
bool archDeco2Connected(const ArchDeco2* data, bool* memory) {
  GraphNum* seen = nullptr;
  GraphNum* queue = nullptr;
  ScratchBlock block(memGroupAlloc({memEntry(seen, static_cast<size_t>(data->termnbr) * sizeof(GraphNum)),
                                    memEntry(queue, static_cast<size_t>(data->termnbr) * sizeof(GraphNum))}));
  *memory = (seen != nullptr);
  if (seen == nullptr) return false;
  std::fill(seen, seen + data->termnbr, -1);
  return archDeco2Search(data, 0, nullptr, 0, seen, 0, queue) == data->termnbr;
}

// Checks that the domain lines and the layout describe one binary tree over
// the terminals; sets leaftab. Returns 0, or the number of the failed check
// (3: tree links, 4: layout, 5: figures of the domains).
int archDeco2Check(ArchDeco2* data) {
  const GraphNum vertnbr = data->vertnbr;
  const GraphNum termnbr = data->termnbr;
  const ArchDeco2Vert* verttab = data->verttab;
  if (verttab[0].fathnum != -1) return 3;
  for (GraphNum vertnum = 0; vertnum < vertnbr; vertnum++) {
    const ArchDeco2Vert& vert = verttab[vertnum];
    if (vertnum > 0 && (vert.fathnum < 0 || vert.fathnum >= vertnum ||
                        (verttab[vert.fathnum].sonstab[0] != vertnum && verttab[vert.fathnum].sonstab[1] != vertnum)))
      return 3;
    if ((vert.sonstab[0] < 0) != (vert.sonstab[1] < 0)) return 3;
    for (GraphNum sonnum : vert.sonstab)
      if (sonnum >= 0 && (sonnum <= vertnum || verttab[sonnum].fathnum != vertnum)) return 3;
    if (vert.sonstab[0] >= 0 && vert.sonstab[0] == vert.sonstab[1]) return 3;
  }

  GraphNum* leaftab = data->leaftab;
  std::fill(leaftab, leaftab + termnbr, -1);
  for (GraphNum position = 0; position < termnbr; position++) {
    GraphNum terminal = data->ordetab[position];
    if (leaftab[terminal] != -1) return 4;  // listed twice
    leaftab[terminal] = -2;
  }

  // Fathers come first, so their figures are checked before their children's.
  if (verttab[0].levlnum != 0 || verttab[0].vertmin != 0 || verttab[0].vertnbr != termnbr) return 5;
  for (GraphNum vertnum = 0; vertnum < vertnbr; vertnum++) {
    const ArchDeco2Vert& vert = verttab[vertnum];
    if (static_cast<int64_t>(vert.vertmin) + vert.vertnbr > termnbr) return 5;
    if (vert.sonstab[0] < 0) {
      GraphNum terminal = data->ordetab[vert.vertmin];
      if (vert.vertnbr != 1 || vert.termnum != terminal) return 5;
      leaftab[terminal] = vertnum;
      continue;
    }
    const ArchDeco2Vert& left = verttab[vert.sonstab[0]];
    const ArchDeco2Vert& right = verttab[vert.sonstab[1]];
    if (left.levlnum != vert.levlnum + 1 || right.levlnum != vert.levlnum + 1 || left.vertmin != vert.vertmin ||
        right.vertmin != vert.vertmin + left.vertnbr || left.vertnbr + right.vertnbr != vert.vertnbr ||
        static_cast<int64_t>(left.veloval) + right.veloval != vert.veloval)
      return 5;
  }
  // Representatives lie inside their domains.
  for (GraphNum vertnum = 0; vertnum < vertnbr; vertnum++) {
    const ArchDeco2Vert& vert = verttab[vertnum];
    GraphNum position = verttab[leaftab[vert.termnum]].vertmin;
    if (position < vert.vertmin || position >= vert.vertmin + vert.vertnbr) return 5;
  }
  return 0;
}

int archDeco2ArchSave(const ArchDeco2* data, FILE* stream) {
  if (fprintf(stream, "2\n%d\t%d\t%d\n", data->termnbr, data->vertnbr, data->edgenbr) < 0) {
    errorPrint("archDeco2ArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum vertnum = 0; vertnum < data->vertnbr; vertnum++) {
    const ArchDeco2Vert& vert = data->verttab[vertnum];
    if (fprintf(stream, "%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", vertnum, vert.fathnum, vert.sonstab[0], vert.sonstab[1],
                vert.levlnum, vert.vertnbr, vert.veloval, vert.vertmin, vert.termnum) < 0) {
      errorPrint("archDeco2ArchSave: bad output (2)");
      return 1;
    }
  }
  for (GraphNum position = 0; position < data->termnbr; position++) {
    if (fprintf(stream, (position == data->termnbr - 1) ? "%d\n" : "%d\t", data->ordetab[position]) < 0) {
      errorPrint("archDeco2ArchSave: bad output (3)");
      return 1;
    }
  }
  for (GraphNum terminal = 0; terminal < data->termnbr; terminal++)  // each link once, from its lower end
    for (GraphNum index = data->adjaidx[terminal]; index < data->adjaidx[terminal + 1]; index++) {
      if (data->adjatab[index] > terminal && fprintf(stream, "%d\t%d\n", terminal, data->adjatab[index]) < 0) {
        errorPrint("archDeco2ArchSave: bad output (4)");
        return 1;
      }
    }
  return 0;
}

int archDeco2ArchFree(ArchDeco2* data) {
  memFree(data->verttab);
  memFree(data->adjatab);
  memset(data, 0, sizeof(ArchDeco2));
  return 0;
}

int archDeco2MatchInit(ArchTreeMatch* match, const ArchDeco2* data) {
  if (!archTreeMatchAlloc(match, data->vertnbr, data->termnbr)) {
    errorPrint("archDeco2MatchInit: out of memory");
    return 1;
  }
  for (GraphNum vertnum = 0; vertnum < data->vertnbr; vertnum++) {
    match->sonstab[2 * vertnum] = data->verttab[vertnum].sonstab[0];
    match->sonstab[2 * vertnum + 1] = data->verttab[vertnum].sonstab[1];
  }
  archTreeMatchStart(match, data->leaftab);
  return 0;
}

GraphNum archDeco2DomNumber(const ArchDeco2* data, const ArchDeco2Dom* domain) {
  return data->ordetab[data->verttab[domain->vertnum].vertmin];
}

int archDeco2DomTerminal(const ArchDeco2* data, ArchDeco2Dom* domain, GraphNum number) {
  if (number < 0 || number >= data->termnbr) return 1;
  domain->vertnum = data->leaftab[number];
  return 0;
}

GraphNum archDeco2DomSize(const ArchDeco2* data, const ArchDeco2Dom* domain) {
  return data->verttab[domain->vertnum].vertnbr;
}

GraphNum archDeco2DomWeight(const ArchDeco2* data, const ArchDeco2Dom* domain) {
  return data->verttab[domain->vertnum].veloval;
}

GraphNum archDeco2DomDist(const ArchDeco2* data, const ArchDeco2Dom* first, const ArchDeco2Dom* second) {
  GraphNum source = data->verttab[first->vertnum].termnum;
  GraphNum target = data->verttab[second->vertnum].termnum;
  if (first->vertnum == second->vertnum || source == target) return 0;
  GraphNum* seen = nullptr;
  GraphNum* queue = nullptr;
  ScratchBlock block(memGroupAlloc({memEntry(seen, static_cast<size_t>(data->termnbr) * sizeof(GraphNum)),
                                    memEntry(queue, static_cast<size_t>(data->termnbr) * sizeof(GraphNum))}));
  if (seen == nullptr) {
    errorPrint("archDeco2DomDist: out of memory");
    return INT32_MAX;
  }
  std::fill(seen, seen + data->termnbr, -1);
  GraphNum distance = INT32_MAX;  // the links connect every terminal: the target is always reached
  archDeco2Search(data, source, nullptr, 0, seen, 0, queue, target, &distance);
  return distance;
}

int archDeco2DomFirst(const ArchDeco2*, ArchDeco2Dom* domain) {
  domain->vertnum = 0;
  return 0;
}

int archDeco2DomLoad(const ArchDeco2* data, ArchDeco2Dom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->vertnum, 0, data->vertnbr - 1)) {
    errorPrint("archDeco2DomLoad: bad input");
    return 1;
  }
  return 0;
}

int archDeco2DomSave(const ArchDeco2*, const ArchDeco2Dom* domain, FILE* stream) {
  if (fprintf(stream, "%d ", domain->vertnum) < 0) {
    errorPrint("archDeco2DomSave: bad output");
    return 1;
  }
  return 0;
}

int archDeco2DomBipart(const ArchDeco2* data, const ArchDeco2Dom* domain, ArchDeco2Dom* first, ArchDeco2Dom* second) {
  const ArchDeco2Vert& vert = data->verttab[domain->vertnum];
  if (vert.sonstab[0] < 0) return 1;
  first->vertnum = vert.sonstab[0];
  second->vertnum = vert.sonstab[1];
  return 0;
}

int archDeco2DomIncludes(const ArchDeco2* data, const ArchDeco2Dom* outer, const ArchDeco2Dom* inner) {
  const ArchDeco2Vert& outerVert = data->verttab[outer->vertnum];
  const ArchDeco2Vert& innerVert = data->verttab[inner->vertnum];
  return (innerVert.vertmin >= outerVert.vertmin &&
          innerVert.vertmin + innerVert.vertnbr <= outerVert.vertmin + outerVert.vertnbr)
             ? 1
             : 0;
}

// Splits the terminals recursively: each domain's terminals are ordered by
// a breadth-first search inside the domain from a far terminal (any
// terminal the search cannot reach comes last), the first half of that
// order going to the first child. The representative is the terminal in
// the middle of the order.
int archDeco2ArchBuild2(ArchDeco2* data) {
  const GraphNum termnbr = data->termnbr;
  GraphNum* inside = nullptr;  // domain whose terminals are being ordered
  GraphNum* seen = nullptr;
  GraphNum* queue = nullptr;
  GraphNum* stack = nullptr;
  ScratchBlock block(memGroupAlloc({memEntry(inside, static_cast<size_t>(termnbr) * sizeof(GraphNum)),
                                    memEntry(seen, static_cast<size_t>(termnbr) * sizeof(GraphNum)),
                                    memEntry(queue, static_cast<size_t>(termnbr) * sizeof(GraphNum)),
                                    memEntry(stack, static_cast<size_t>(termnbr) * sizeof(GraphNum))}));
  if (inside == nullptr) {
    errorPrint("archDeco2ArchBuild: out of memory");
    return 1;
  }
  std::fill(inside, inside + termnbr, -1);
  std::fill(seen, seen + termnbr, -1);
  for (GraphNum position = 0; position < termnbr; position++) data->ordetab[position] = position;
  data->verttab[0] = ArchDeco2Vert{-1, {-1, -1}, 0, termnbr, 0, 0, 0};
  GraphNum vertnbr = 1, stackNbr = 0, searchNbr = 0;
  stack[stackNbr++] = 0;
  while (stackNbr > 0) {
    const GraphNum vertnum = stack[--stackNbr];
    ArchDeco2Vert* vert = &data->verttab[vertnum];
    GraphNum* terminals = data->ordetab + vert->vertmin;
    if (vert->vertnbr == 1) {
      vert->termnum = terminals[0];
      data->leaftab[terminals[0]] = vertnum;
      continue;
    }
    for (GraphNum index = 0; index < vert->vertnbr; index++) inside[terminals[index]] = vertnum;
    GraphNum reached = archDeco2Search(data, terminals[0], inside, vertnum, seen, searchNbr++, queue);
    GraphNum far = queue[reached - 1];
    reached = archDeco2Search(data, far, inside, vertnum, seen, searchNbr++, queue);
    for (GraphNum index = 0; index < vert->vertnbr; index++)  // the terminals the search missed
      if (seen[terminals[index]] != searchNbr - 1) queue[reached++] = terminals[index];
    std::copy(queue, queue + vert->vertnbr, terminals);
    vert->termnum = terminals[vert->vertnbr / 2];

    const GraphNum half = (vert->vertnbr + 1) / 2;
    for (int side = 0; side < 2; side++) {
      const GraphNum sonnum = vertnbr++;
      vert->sonstab[side] = sonnum;
      data->verttab[sonnum] = ArchDeco2Vert{vertnum,
                                            {-1, -1},
                                            vert->levlnum + 1,
                                            (side == 0) ? half : vert->vertnbr - half,
                                            0,
                                            vert->vertmin + ((side == 0) ? 0 : half),
                                            0};
    }
    stack[stackNbr++] = vert->sonstab[1];
    stack[stackNbr++] = vert->sonstab[0];
  }
  return 0;
}

}  // namespace

int archDeco2ArchLoad2(ArchDeco2* data, FILE* stream) {
  data->flagval = ARCH_DECO_GRAPH;
  if (!archReadNum(stream, &data->termnbr, 1, INT32_MAX / 2 + 1) ||
      !archReadNum(stream, &data->vertnbr, 2 * data->termnbr - 1, 2 * data->termnbr - 1) ||
      !archReadNum(stream, &data->edgenbr, 0, INT32_MAX / 2)) {
    errorPrint("archDeco2ArchLoad2: bad input (1)");
    return 1;
  }
  const GraphNum termnbr = data->termnbr;
  const GraphNum vertnbr = data->vertnbr;
  ArchGrowArray<ArchDeco2Vert> lines(static_cast<size_t>(vertnbr));
  for (GraphNum vertnum = 0; vertnum < vertnbr; vertnum++) {
    if (!lines.reserve(static_cast<size_t>(vertnum))) {
      errorPrint("archDeco2ArchLoad2: out of memory (1)");
      return 1;
    }
    ArchDeco2Vert& vert = lines[static_cast<size_t>(vertnum)];
    GraphNum number;
    if (!archReadNum(stream, &number, vertnum, vertnum) || !archReadNum(stream, &vert.fathnum, -1, vertnbr - 1) ||
        !archReadNum(stream, &vert.sonstab[0], -1, vertnbr - 1) ||
        !archReadNum(stream, &vert.sonstab[1], -1, vertnbr - 1) || !archReadNum(stream, &vert.levlnum, 0, INT32_MAX) ||
        !archReadNum(stream, &vert.vertnbr, 1, termnbr) || !archReadNum(stream, &vert.veloval, 1, INT32_MAX) ||
        !archReadNum(stream, &vert.vertmin, 0, termnbr - 1) || !archReadNum(stream, &vert.termnum, 0, termnbr - 1)) {
      errorPrint("archDeco2ArchLoad2: bad input (2)");
      return 1;
    }
  }
  if (!archDeco2Alloc(data)) {
    errorPrint("archDeco2ArchLoad2: out of memory (2)");
    return 1;
  }
  std::copy(lines.data(), lines.data() + vertnbr, data->verttab);
  for (GraphNum position = 0; position < termnbr; position++) {
    if (!archReadNum(stream, &data->ordetab[position], 0, termnbr - 1)) {
      errorPrint("archDeco2ArchLoad2: bad input (4)");
      return 1;
    }
  }
  if (int check = archDeco2Check(data); check != 0) {
    errorPrint("archDeco2ArchLoad2: bad input (%d)", check);
    return 1;
  }

  ArchGrowArray<GraphNum> edgetab(2 * static_cast<size_t>(data->edgenbr));
  for (GraphNum end = 0; end < 2 * data->edgenbr; end++) {
    if (!edgetab.reserve(static_cast<size_t>(end))) {
      errorPrint("archDeco2ArchLoad2: out of memory (3)");
      return 1;
    }
    if (!archReadNum(stream, &edgetab[static_cast<size_t>(end)], 0, termnbr - 1) ||
        ((end & 1) != 0 && edgetab[static_cast<size_t>(end)] == edgetab[static_cast<size_t>(end) - 1])) {
      errorPrint("archDeco2ArchLoad2: bad input (6)");
      return 1;
    }
  }
  if (!archDeco2Links(data, edgetab.data())) {
    errorPrint("archDeco2ArchLoad2: out of memory (3)");
    return 1;
  }
  bool memory = true;
  if (!archDeco2Connected(data, &memory)) {
    errorPrint(memory ? "archDeco2ArchLoad2: bad input (7)" : "archDeco2ArchLoad2: out of memory (3)");
    return 1;
  }
  return 0;
}

constinit const ArchClass archDeco2Class = {
    .name = "deco",
    .flags = 0,
    .archLoad = nullptr,  // reached through the first entry
    .archSave = archOp<archDeco2ArchSave>,
    .archFree = archOp<archDeco2ArchFree>,
    .archMatchInit = archOp<archDeco2MatchInit>,
    .archMatchExit = archOp<archTreeMatchExit>,
    .archMatchMate = archOp<archTreeMatchMate>,
    .archDomNumber = archOp<archDeco2DomNumber>,
    .archDomTerminal = archOp<archDeco2DomTerminal>,
    .archDomSize = archOp<archDeco2DomSize>,
    .archDomWeight = archOp<archDeco2DomWeight>,
    .archDomDist = archOp<archDeco2DomDist>,
    .archDomFirst = archOp<archDeco2DomFirst>,
    .archDomLoad = archOp<archDeco2DomLoad>,
    .archDomSave = archOp<archDeco2DomSave>,
    .archDomBipart = archOp<archDeco2DomBipart>,
    .archDomIncludes = archOp<archDeco2DomIncludes>,
    .domainSize = sizeof(ArchDeco2Dom),
    .archLoadedClass = nullptr,
};

int archDeco2ArchBuild(Arch* arch, GraphNum termnbr, const GraphNum* velotab, GraphNum edgenbr,
                       const GraphNum* edgetab) {
  bool valid = termnbr >= 1 && termnbr <= INT32_MAX / 2 + 1 && edgenbr >= 0 && edgenbr <= INT32_MAX / 2;
  int64_t velosum = 0;
  for (GraphNum terminal = 0; valid && velotab != nullptr && terminal < termnbr; terminal++)
    valid = velotab[terminal] >= 1 && (velosum += velotab[terminal]) <= INT32_MAX;
  for (GraphNum edge = 0; valid && edge < edgenbr; edge++)
    valid = edgetab[2 * edge] >= 0 && edgetab[2 * edge] < termnbr && edgetab[2 * edge + 1] >= 0 &&
            edgetab[2 * edge + 1] < termnbr && edgetab[2 * edge] != edgetab[2 * edge + 1];
  if (!valid) {
    errorPrint("archDeco2ArchBuild: invalid parameters");
    return 1;
  }
  archSetClass(arch, &archDeco2Class);
  ArchDeco2* data = archDataOf<ArchDeco2>(arch);
  data->flagval = ARCH_DECO_GRAPH;
  data->termnbr = termnbr;
  data->vertnbr = 2 * termnbr - 1;
  data->edgenbr = edgenbr;
  if (!archDeco2Alloc(data) || !archDeco2Links(data, edgetab)) {
    errorPrint("archDeco2ArchBuild: out of memory");
    return 1;
  }
  bool memory = true;
  if (!archDeco2Connected(data, &memory)) {
    errorPrint(memory ? "archDeco2ArchBuild: terminals not connected" : "archDeco2ArchBuild: out of memory");
    return 1;
  }
  if (archDeco2ArchBuild2(data) != 0) return 1;
  for (GraphNum vertnum = data->vertnbr - 1; vertnum >= 0; vertnum--) {  // children come after their father
    ArchDeco2Vert* vert = &data->verttab[vertnum];
    vert->veloval = (vert->sonstab[0] < 0)
                        ? ((velotab != nullptr) ? velotab[vert->termnum] : 1)
                        : data->verttab[vert->sonstab[0]].veloval + data->verttab[vert->sonstab[1]].veloval;
  }
  return 0;
}
