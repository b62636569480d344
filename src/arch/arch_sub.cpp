// The sub-architecture "sub".
//
// File data: the terminal count n, the n source terminal numbers (terminal
// i of the sub-architecture being the i-th of them), then the source
// architecture with its class name, owned by the sub-architecture.
//
// At build time the source's whole domain is split recursively with its own
// splits, keeping only the parts that hold chosen terminals; a split that
// leaves all of a node's terminals on one side is followed further down
// without making a node. The result is a binary tree of 2n - 1 nodes, each
// holding the deepest source domain that still contains all its terminals.
// A domain of the sub-architecture is a node of that tree; distances are
// the source's distances between the nodes' domains, splits give the two
// children. The terminals are laid out in the order of the tree's leaves,
// so that the terminals of a node are one range of that layout.
#include "arch/arch_sub.h"

#include <algorithm>
#include <cstring>

#include "arch/arch_tree_match.h"

namespace {

struct ArchSubNode {
  ArchDom domnorg;      // deepest source domain holding the node's terminals
  GraphNum sonstab[2];  // children, or -1 for a leaf
  GraphNum vertmin;     // first position of the node's terminals in the layout
  GraphNum vertnbr;     // number of terminals
  GraphNum veloval;     // weight: the source weights of the terminals, summed
};

struct ArchSub {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  Arch* archptr;         // source architecture
  int archown;           // 1 when the source was loaded with the sub-architecture and is released with it
  GraphNum termnbr;      // terminals
  GraphNum nodenbr;      // tree nodes, 2 termnbr - 1; node 0 is the root
  GraphNum* termtab;     // source terminal number of each terminal; owns the group
  GraphNum* leaftab;     // leaf node of each terminal
  GraphNum* ordetab;     // terminal at each position of the layout
  ArchSubNode* nodetab;  // the tree
};

struct ArchSubDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum nodenum;
};

// Splits the root domain down the tree. ordetab holds the terminals in any
// order; it ends up as the layout. domntab holds the source domain of each
// terminal.
int archSubArchBuild3(ArchSub* data, const ArchDom* domntab) {
  const Arch* source = data->archptr;
  GraphNum* scratch = nullptr;  // the right-hand terminals of a range being partitioned
  GraphNum* stack = nullptr;    // nodes still to split
  ScratchBlock block(memGroupAlloc({memEntry(scratch, static_cast<size_t>(data->termnbr) * sizeof(GraphNum)),
                                    memEntry(stack, static_cast<size_t>(data->termnbr) * sizeof(GraphNum))}));
  if (scratch == nullptr) {
    errorPrint("archSubArchBuild2: out of memory");
    return 1;
  }
  ArchSubNode* root = &data->nodetab[0];
  archDomFirst(source, &root->domnorg);
  root->vertmin = 0;
  root->vertnbr = data->termnbr;
  data->nodenbr = 1;
  GraphNum stackNbr = 0;
  stack[stackNbr++] = 0;
  while (stackNbr > 0) {
    const GraphNum nodenum = stack[--stackNbr];
    ArchSubNode* node = &data->nodetab[nodenum];
    if (node->vertnbr == 1) {  // a leaf: the terminal's own domain
      GraphNum terminal = data->ordetab[node->vertmin];
      node->domnorg = domntab[terminal];
      node->sonstab[0] = node->sonstab[1] = -1;
      node->veloval = archDomWeight(source, &node->domnorg);
      data->leaftab[terminal] = nodenum;
      continue;
    }
    for (;;) {  // split until the terminals fall on both sides
      ArchDom halves[2];
      if (archDomBipart(source, &node->domnorg, &halves[0], &halves[1]) != 0) {
        errorPrint(
            "archSubArchBuild: cannot create sub-architecture (2)");  // two terminals that the source cannot tell apart
        return 1;
      }
      GraphNum* terminals = data->ordetab + node->vertmin;
      GraphNum leftNbr = 0, rightNbr = 0;
      for (GraphNum index = 0; index < node->vertnbr; index++) {
        GraphNum terminal = terminals[index];
        if (archDomIncludes(source, &halves[0], &domntab[terminal]) != 0)
          terminals[leftNbr++] = terminal;
        else
          scratch[rightNbr++] = terminal;
      }
      std::copy(scratch, scratch + rightNbr, terminals + leftNbr);
      if (leftNbr == 0 || rightNbr == 0) {
        node->domnorg = halves[(leftNbr == 0) ? 1 : 0];
        continue;
      }
      for (int side = 0; side < 2; side++) {
        GraphNum sonnum = data->nodenbr++;
        ArchSubNode* son = &data->nodetab[sonnum];
        son->domnorg = halves[side];
        son->vertmin = node->vertmin + ((side == 0) ? 0 : leftNbr);
        son->vertnbr = (side == 0) ? leftNbr : rightNbr;
        node->sonstab[side] = sonnum;
      }
      stack[stackNbr++] = node->sonstab[1];
      stack[stackNbr++] = node->sonstab[0];
      break;
    }
  }
  // Weights, children before fathers: sons always come after their father.
  for (GraphNum nodenum = data->nodenbr - 1; nodenum >= 0; nodenum--) {
    ArchSubNode* node = &data->nodetab[nodenum];
    if (node->sonstab[0] < 0) continue;
    int64_t weight =
        static_cast<int64_t>(data->nodetab[node->sonstab[0]].veloval) + data->nodetab[node->sonstab[1]].veloval;
    node->veloval = static_cast<GraphNum>(std::min<int64_t>(weight, INT32_MAX));
  }
  return 0;
}

// Builds the tree over data->termtab (set, with termnbr) on data->archptr.
int archSubArchBuild2(ArchSub* data) {
  const Arch* source = data->archptr;
  if (archVar(source) != 0) {
    errorPrint("archSubArchBuild: variable-sized architectures not supported");
    return 1;
  }
  const size_t termnbr = static_cast<size_t>(data->termnbr);
  // Terminals must exist in the source and appear once: sort a copy.
  GraphNum* sorttab = nullptr;
  ArchDom* domntab = nullptr;
  ScratchBlock block(
      memGroupAlloc({memEntry(sorttab, termnbr * sizeof(GraphNum)), memEntry(domntab, termnbr * sizeof(ArchDom))}));
  if (sorttab == nullptr) {
    errorPrint("archSubArchBuild: out of memory (1)");
    return 1;
  }
  for (GraphNum terminal = 0; terminal < data->termnbr; terminal++) {
    memset(&domntab[terminal], 0, sizeof(ArchDom));
    if (archDomTerminal(source, &domntab[terminal], data->termtab[terminal]) != 0) {
      errorPrint("archSubArchBuild: cannot create sub-architecture (1)");
      return 1;
    }
  }
  std::copy(data->termtab, data->termtab + termnbr, sorttab);
  std::sort(sorttab, sorttab + termnbr);
  if (std::adjacent_find(sorttab, sorttab + termnbr) != sorttab + termnbr) {
    errorPrint("archSubArchBuild: cannot create sub-architecture (2)");
    return 1;
  }

  GraphNum* termtab = data->termtab;  // kept in the group allocated here
  if (memGroupAlloc({memEntry(data->termtab, termnbr * sizeof(GraphNum)),
                     memEntry(data->leaftab, termnbr * sizeof(GraphNum)),
                     memEntry(data->ordetab, termnbr * sizeof(GraphNum)),
                     memEntry(data->nodetab, (2 * termnbr - 1) * sizeof(ArchSubNode))}) == nullptr) {
    data->termtab = nullptr;
    errorPrint("archSubArchBuild: out of memory (2)");
    return 1;
  }
  std::copy(termtab, termtab + termnbr, data->termtab);
  for (GraphNum terminal = 0; terminal < data->termnbr; terminal++) data->ordetab[terminal] = terminal;
  memset(static_cast<void*>(data->nodetab), 0, (2 * termnbr - 1) * sizeof(ArchSubNode));
  return archSubArchBuild3(data, domntab);
}

int archSubArchLoad(ArchSub* data, FILE* stream) {
  if (!archReadNum(stream, &data->termnbr, 1, INT32_MAX / 2)) {  // 2n - 1 nodes are numbered
    errorPrint("archSubArchLoad: bad input (1)");
    return 1;
  }
  ArchGrowArray<GraphNum> termtab(static_cast<size_t>(data->termnbr));
  for (GraphNum terminal = 0; terminal < data->termnbr; terminal++) {
    if (!termtab.reserve(static_cast<size_t>(terminal))) {
      errorPrint("archSubArchLoad: out of memory (1)");
      return 1;
    }
    if (!archReadNum(stream, &termtab[static_cast<size_t>(terminal)], 0, INT32_MAX)) {
      errorPrint("archSubArchLoad: bad input (2)");
      return 1;
    }
  }
  data->archptr = static_cast<Arch*>(memAlloc(sizeof(Arch)));
  if (data->archptr == nullptr) {
    errorPrint("archSubArchLoad: out of memory (2)");
    return 1;
  }
  archInit(data->archptr);
  data->archown = 1;
  if (archLoad(data->archptr, stream) != 0) {
    errorPrint("archSubArchLoad: bad input (2)");
    return 1;
  }
  data->termtab = termtab.data();  // copied into the sub-architecture's own group
  int result = archSubArchBuild2(data);
  if (data->termtab == termtab.data()) data->termtab = nullptr;
  return result;
}

int archSubArchSave(const ArchSub* data, FILE* stream) {
  if (fprintf(stream, "%d", data->termnbr) < 0) {
    errorPrint("archSubArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum terminal = 0; terminal < data->termnbr; terminal++) {
    if (fprintf(stream, " %d", data->termtab[terminal]) < 0) {
      errorPrint("archSubArchSave: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "\n") < 0 || archSave(data->archptr, stream) != 0) {
    errorPrint("archSubArchSave: bad output (3)");
    return 1;
  }
  return 0;
}

int archSubArchFree(ArchSub* data) {
  int result = 0;
  if (data->archown != 0 && data->archptr != nullptr) {
    result = archExit(data->archptr);
    memFree(data->archptr);
  }
  memFree(data->termtab);
  memset(data, 0, sizeof(ArchSub));
  return result;
}

int archSubMatchInit(ArchTreeMatch* match, const ArchSub* data) {
  if (!archTreeMatchAlloc(match, data->nodenbr, data->termnbr)) {
    errorPrint("archSubMatchInit: out of memory");
    return 1;
  }
  for (GraphNum nodenum = 0; nodenum < data->nodenbr; nodenum++) {
    match->sonstab[2 * nodenum] = data->nodetab[nodenum].sonstab[0];
    match->sonstab[2 * nodenum + 1] = data->nodetab[nodenum].sonstab[1];
  }
  archTreeMatchStart(match, data->leaftab);
  return 0;
}

GraphNum archSubDomNumber(const ArchSub* data, const ArchSubDom* domain) {
  return data->ordetab[data->nodetab[domain->nodenum].vertmin];
}

int archSubDomTerminal(const ArchSub* data, ArchSubDom* domain, GraphNum number) {
  if (number < 0 || number >= data->termnbr) return 1;
  domain->nodenum = data->leaftab[number];
  return 0;
}

GraphNum archSubDomSize(const ArchSub* data, const ArchSubDom* domain) {
  return data->nodetab[domain->nodenum].vertnbr;
}

GraphNum archSubDomWeight(const ArchSub* data, const ArchSubDom* domain) {
  return data->nodetab[domain->nodenum].veloval;
}

GraphNum archSubDomDist(const ArchSub* data, const ArchSubDom* first, const ArchSubDom* second) {
  if (first->nodenum == second->nodenum) return 0;
  return archDomDist(data->archptr, &data->nodetab[first->nodenum].domnorg, &data->nodetab[second->nodenum].domnorg);
}

int archSubDomFirst(const ArchSub*, ArchSubDom* domain) {
  domain->nodenum = 0;
  return 0;
}

int archSubDomLoad(const ArchSub* data, ArchSubDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->nodenum, 0, data->nodenbr - 1)) {
    errorPrint("archSubDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archSubDomSave(const ArchSub*, const ArchSubDom* domain, FILE* stream) {
  if (fprintf(stream, "%d ", domain->nodenum) < 0) {
    errorPrint("archSubDomSave: bad output");
    return 1;
  }
  return 0;
}

int archSubDomBipart(const ArchSub* data, const ArchSubDom* domain, ArchSubDom* first, ArchSubDom* second) {
  const ArchSubNode* node = &data->nodetab[domain->nodenum];
  if (node->sonstab[0] < 0) return 1;
  first->nodenum = node->sonstab[0];
  second->nodenum = node->sonstab[1];
  return 0;
}

int archSubDomIncludes(const ArchSub* data, const ArchSubDom* outer, const ArchSubDom* inner) {
  const ArchSubNode* outerNode = &data->nodetab[outer->nodenum];
  const ArchSubNode* innerNode = &data->nodetab[inner->nodenum];
  return (innerNode->vertmin >= outerNode->vertmin &&
          innerNode->vertmin + innerNode->vertnbr <= outerNode->vertmin + outerNode->vertnbr)
             ? 1
             : 0;
}

}  // namespace

constinit const ArchClass archSubClass = {
    .name = "sub",
    .flags = 0,
    .archLoad = archOp<archSubArchLoad>,
    .archSave = archOp<archSubArchSave>,
    .archFree = archOp<archSubArchFree>,
    .archMatchInit = archOp<archSubMatchInit>,
    .archMatchExit = archOp<archTreeMatchExit>,
    .archMatchMate = archOp<archTreeMatchMate>,
    .archDomNumber = archOp<archSubDomNumber>,
    .archDomTerminal = archOp<archSubDomTerminal>,
    .archDomSize = archOp<archSubDomSize>,
    .archDomWeight = archOp<archSubDomWeight>,
    .archDomDist = archOp<archSubDomDist>,
    .archDomFirst = archOp<archSubDomFirst>,
    .archDomLoad = archOp<archSubDomLoad>,
    .archDomSave = archOp<archSubDomSave>,
    .archDomBipart = archOp<archSubDomBipart>,
    .archDomIncludes = archOp<archSubDomIncludes>,
    .domainSize = sizeof(ArchSubDom),
    .archLoadedClass = nullptr,
};

int archSubArchBuild(Arch* arch, const Arch* source, GraphNum termNbr, const GraphNum* termtab) {
  if (termNbr < 1 || termNbr > INT32_MAX / 2) {
    errorPrint("archSubArchBuild: cannot create sub-architecture (1)");
    return 1;
  }
  archSetClass(arch, &archSubClass);
  ArchSub* data = archDataOf<ArchSub>(arch);
  data->archptr = const_cast<Arch*>(source);  // used, never changed nor released
  data->archown = 0;
  data->termnbr = termNbr;
  data->termtab = const_cast<GraphNum*>(termtab);  // replaced by the sub-architecture's own copy
  int result = archSubArchBuild2(data);
  if (data->termtab == termtab) data->termtab = nullptr;
  return result;
}
