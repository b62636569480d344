// Compiled decompositions, the first "deco" entry.
//
// File data: a format number, then
//   format 0 (to be compiled): the terminal count t and the domain label
//     bound d; per terminal a line: its number (0 to t - 1), its weight and
//     its domain label (1 to d); then the t(t - 1)/2 distances between
//     terminals i > j, row by row (i from 1, j from 0 to i - 1);
//   format 1 (compiled): t and d; per domain label from 1 to d a line: its
//     smallest terminal number (-1 for an unused label), its terminal count
//     and its weight; then the d(d - 1)/2 distances between labels i > j,
//     row by row;
//   format 2: a decomposition over a graph, read by the second entry.
// Labels form a binary heap: the children of k are 2k and 2k + 1. A format
// 0 terminal label is a leaf of that tree; the domains above it are
// compiled with the terminals under them, and the distance of two domains
// is the rounded average of the distances between their terminals.
// Decompositions are saved compiled, in format 1.
#include "arch/arch_deco.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

struct ArchDecoDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum labl;
};

// Compiling a sparse labelling makes a table quadratic in its largest
// label, which the file does not back; such a table may not exceed 16 times
// the values read, or a floor of a million entries.
constexpr int64_t ARCH_DECO_COMPILE_RATIO = 16;
constexpr int64_t ARCH_DECO_COMPILE_FLOOR = 1 << 20;

// Distance entries of d labels.
int64_t archDecoDistNbr(int64_t labels) { return labels * (labels - 1) / 2; }

int64_t archDecoDistIndex(int64_t first, int64_t second) {  // labels or terminal indices from 1, first > second
  return (first - 1) * (first - 2) / 2 + (second - 1);
}

GraphNum archDecoDepth(GraphNum label) { return std::bit_width(static_cast<uint32_t>(label)) - 1; }

// Terminal count of a label, 0 beyond the last label.
GraphNum archDecoSize(const ArchDeco* data, int64_t label) {
  return (label <= data->domvertnbr) ? data->domverttab[label - 1].size : 0;
}

// Allocates the domain table and the terminal labels.
bool archDecoAlloc(ArchDeco* data) {
  return memGroupAlloc({memEntry(data->domverttab, static_cast<size_t>(data->domvertnbr) * sizeof(ArchDecoVert)),
                        memEntry(data->domtermtab, static_cast<size_t>(data->domtermnbr) * sizeof(GraphNum))}) !=
         nullptr;
}

// Compiles a decomposition given per terminal number its label and weight,
// and the distances between terminals; labels are checked (distinct, none
// above another) and weights sum within GraphNum.
int archDecoArchBuild2(ArchDeco* data, const GraphNum* labltab, const GraphNum* wghttab, const GraphNum* termdisttab) {
  const GraphNum termnbr = data->domtermnbr;
  const GraphNum vertnbr = data->domvertnbr;
  GraphNum* ordetab = nullptr;   // terminals in the order of the tree's leaves
  GraphNum* firsttab = nullptr;  // first position of each label's terminals
  ScratchBlock block(memGroupAlloc({memEntry(ordetab, static_cast<size_t>(termnbr) * sizeof(GraphNum)),
                                    memEntry(firsttab, static_cast<size_t>(vertnbr) * sizeof(GraphNum))}));
  data->domdisttab = static_cast<GraphNum*>(memAlloc(static_cast<size_t>(archDecoDistNbr(vertnbr)) * sizeof(GraphNum)));
  if (ordetab == nullptr || data->domdisttab == nullptr || !archDecoAlloc(data)) {
    errorPrint("archDecoArchBuild2: out of memory");
    return 1;
  }

  for (GraphNum label = 0; label < vertnbr; label++) data->domverttab[label] = ArchDecoVert{-1, 0, 0};
  for (GraphNum terminal = 0; terminal < termnbr; terminal++) {
    for (GraphNum label = labltab[terminal]; label >= 1; label >>= 1) {
      ArchDecoVert* vert = &data->domverttab[label - 1];
      if (vert->size > 0 && label == labltab[terminal]) {  // a label met twice, or a terminal above another
        errorPrint("archDecoArchLoad: bad input (3)");
        return 1;
      }
      vert->size++;
      vert->wght += wghttab[terminal];            // the caller bounds the total weight
      if (vert->labl < 0) vert->labl = terminal;  // terminals come in increasing order
    }
    data->domtermtab[terminal] = labltab[terminal];
  }
  for (GraphNum terminal = 0; terminal < termnbr; terminal++) {
    if (data->domverttab[labltab[terminal] - 1].size != 1) {  // another terminal lies below this one
      errorPrint("archDecoArchLoad: bad input (3)");
      return 1;
    }
  }

  // Leaf order: labels aligned on the deepest level compare as positions of
  // the tree, so that the terminals of every domain are one range.
  const GraphNum depthMax = archDecoDepth(vertnbr);
  auto leafKey = [&](GraphNum terminal) {
    GraphNum label = labltab[terminal];
    return static_cast<uint64_t>(label) << (depthMax - archDecoDepth(label));
  };
  for (GraphNum terminal = 0; terminal < termnbr; terminal++) ordetab[terminal] = terminal;
  std::sort(ordetab, ordetab + termnbr, [&](GraphNum a, GraphNum b) { return leafKey(a) < leafKey(b); });
  std::fill(firsttab, firsttab + vertnbr, -1);
  for (GraphNum position = 0; position < termnbr; position++)
    for (GraphNum label = labltab[ordetab[position]]; label >= 1 && firsttab[label - 1] < 0; label >>= 1)
      firsttab[label - 1] = position;

  auto termDist = [&](GraphNum a, GraphNum b) -> int64_t {
    if (a == b) return 0;
    return termdisttab[archDecoDistIndex(std::max(a, b) + 1, std::min(a, b) + 1)];
  };
  for (GraphNum first = 2; first <= vertnbr; first++)
    for (GraphNum second = 1; second < first; second++) {
      const ArchDecoVert& one = data->domverttab[first - 1];
      const ArchDecoVert& two = data->domverttab[second - 1];
      GraphNum distance = 0;
      if (one.size > 0 && two.size > 0) {
        int64_t sum = 0;
        for (GraphNum p = firsttab[first - 1]; p < firsttab[first - 1] + one.size; p++)
          for (GraphNum q = firsttab[second - 1]; q < firsttab[second - 1] + two.size; q++)
            sum += termDist(ordetab[p], ordetab[q]);
        int64_t pairs = static_cast<int64_t>(one.size) * two.size;
        distance = static_cast<GraphNum>((sum + pairs / 2) / pairs);
      }
      data->domdisttab[archDecoDistIndex(first, second)] = distance;
    }
  return 0;
}

// Format 0: terminal lines and terminal distances, then compilation.
int archDecoArchLoad0(ArchDeco* data, GraphNum labelBound, FILE* stream) {
  const GraphNum termnbr = data->domtermnbr;
  ArchGrowArray<GraphNum> linetab(3 * static_cast<size_t>(termnbr));  // number, weight, label
  int64_t wghtsum = 0;
  GraphNum labelMax = 1;
  for (GraphNum line = 0; line < termnbr; line++) {
    if (!linetab.reserve(3 * static_cast<size_t>(line) + 2)) {
      errorPrint("archDecoArchLoad: out of memory (1)");
      return 1;
    }
    GraphNum* values = &linetab[3 * static_cast<size_t>(line)];
    if (!archReadNum(stream, &values[0], 0, termnbr - 1) || !archReadNum(stream, &values[1], 1, INT32_MAX) ||
        !archReadNum(stream, &values[2], 1, labelBound) || (wghtsum += values[1]) > INT32_MAX) {
      errorPrint("archDecoArchLoad: bad input (3)");
      return 1;
    }
    labelMax = std::max(labelMax, values[2]);
  }
  const int64_t distnbr = archDecoDistNbr(termnbr);
  ArchGrowArray<GraphNum> disttab(static_cast<size_t>(distnbr));
  for (int64_t index = 0; index < distnbr; index++) {
    if (!disttab.reserve(static_cast<size_t>(index))) {
      errorPrint("archDecoArchLoad: out of memory (2)");
      return 1;
    }
    if (!archReadNum(stream, &disttab[static_cast<size_t>(index)], 1, INT32_MAX)) {
      errorPrint("archDecoArchLoad: bad input (4)");
      return 1;
    }
  }
  if (archDecoDistNbr(labelMax) + labelMax >
      ARCH_DECO_COMPILE_RATIO * (3 * termnbr + distnbr) + ARCH_DECO_COMPILE_FLOOR) {
    errorPrint("archDecoArchLoad: labels too sparse to compile");
    return 1;
  }

  // Per terminal number: label and weight; each number once.
  GraphNum* labltab = nullptr;
  GraphNum* wghttab = nullptr;
  ScratchBlock block(memGroupAlloc({memEntry(labltab, static_cast<size_t>(termnbr) * sizeof(GraphNum)),
                                    memEntry(wghttab, static_cast<size_t>(termnbr) * sizeof(GraphNum))}));
  if (labltab == nullptr) {
    errorPrint("archDecoArchLoad: out of memory (1)");
    return 1;
  }
  std::fill(labltab, labltab + termnbr, 0);
  for (GraphNum line = 0; line < termnbr; line++) {
    const GraphNum* values = &linetab[3 * static_cast<size_t>(line)];
    if (labltab[values[0]] != 0) {
      errorPrint("archDecoArchLoad: bad input (3)");
      return 1;
    }
    labltab[values[0]] = values[2];
    wghttab[values[0]] = values[1];
  }
  data->domvertnbr = labelMax;  // the compiled table ends at the last label in use
  return archDecoArchBuild2(data, labltab, wghttab, disttab.data());
}

// Checks that the domain lines describe one tree over the terminals.
bool archDecoCheck(const ArchDeco* data, GraphNum* seen) {
  std::fill(seen, seen + data->domtermnbr, 0);
  GraphNum leafnbr = 0;
  for (GraphNum label = 1; label <= data->domvertnbr; label++) {
    const ArchDecoVert& vert = data->domverttab[label - 1];
    const int64_t sons[2] = {2 * static_cast<int64_t>(label), 2 * static_cast<int64_t>(label) + 1};
    GraphNum sonSize = 0;
    int64_t sonWght = 0;
    GraphNum sonLabl = -1;
    for (int64_t son : sons) {
      if (archDecoSize(data, son) == 0) continue;
      const ArchDecoVert& sonVert = data->domverttab[son - 1];
      sonSize += sonVert.size;
      sonWght += sonVert.wght;
      if (sonLabl < 0 || sonVert.labl < sonLabl) sonLabl = sonVert.labl;
    }
    if (vert.size == 0) {
      if (vert.wght != 0 || sonSize != 0) return false;
    } else if (sonSize == 0) {  // a terminal
      if (vert.size != 1 || vert.wght < 1 || vert.labl < 0 || seen[vert.labl] != 0) return false;
      seen[vert.labl] = 1;
      leafnbr++;
    } else if (vert.size != sonSize || vert.wght != sonWght || vert.labl != sonLabl) {
      return false;
    }
  }
  return data->domverttab[0].size == data->domtermnbr && leafnbr == data->domtermnbr;
}

// Format 1: domain lines and domain distances, checked.
int archDecoArchLoad1(ArchDeco* data, FILE* stream) {
  const GraphNum termnbr = data->domtermnbr;
  const GraphNum vertnbr = data->domvertnbr;
  ArchGrowArray<ArchDecoVert> verttab(static_cast<size_t>(vertnbr));
  for (GraphNum label = 0; label < vertnbr; label++) {
    if (!verttab.reserve(static_cast<size_t>(label))) {
      errorPrint("archDecoArchLoad: out of memory (1)");
      return 1;
    }
    ArchDecoVert& vert = verttab[static_cast<size_t>(label)];
    if (!archReadNum(stream, &vert.labl, -1, termnbr - 1) || !archReadNum(stream, &vert.size, 0, termnbr) ||
        !archReadNum(stream, &vert.wght, 0, INT32_MAX)) {
      errorPrint("archDecoArchLoad: bad input (5)");
      return 1;
    }
  }
  if (!archDecoAlloc(data)) {
    errorPrint("archDecoArchLoad: out of memory (1)");
    return 1;
  }
  std::copy(verttab.data(), verttab.data() + vertnbr, data->domverttab);
  if (!archDecoCheck(data, data->domtermtab)) {  // the terminal labels serve as marks first
    errorPrint("archDecoArchLoad: bad input (5)");
    return 1;
  }
  for (GraphNum label = 1; label <= vertnbr; label++) {
    const ArchDecoVert& vert = data->domverttab[label - 1];
    if (vert.size == 1 && archDecoSize(data, 2 * static_cast<int64_t>(label)) == 0 &&
        archDecoSize(data, 2 * static_cast<int64_t>(label) + 1) == 0)
      data->domtermtab[vert.labl] = label;
  }

  const int64_t distnbr = archDecoDistNbr(vertnbr);
  ArchGrowArray<GraphNum> disttab(static_cast<size_t>(distnbr));
  for (int64_t index = 0; index < distnbr; index++) {
    if (!disttab.reserve(static_cast<size_t>(index))) {
      errorPrint("archDecoArchLoad: out of memory (2)");
      return 1;
    }
    if (!archReadNum(stream, &disttab[static_cast<size_t>(index)], 0, INT32_MAX)) {
      errorPrint("archDecoArchLoad: bad input (6)");
      return 1;
    }
  }
  data->domdisttab = disttab.release();
  return 0;
}

int archDecoArchLoad(ArchDeco* data, FILE* stream) {
  GraphNum format;
  if (!archReadNum(stream, &format, 0, 2)) {
    errorPrint("archDecoArchLoad: bad input (1)");
    return 1;
  }
  if (format == 2) {  // the two layouts share their first field only
    data->flagval = ARCH_DECO_GRAPH;
    return archDeco2ArchLoad2(reinterpret_cast<ArchDeco2*>(data), stream);
  }
  data->flagval = ARCH_DECO_COMPILED;
  GraphNum labelBound;
  if (!archReadNum(stream, &data->domtermnbr, 1, INT32_MAX) ||
      !archReadNum(stream, &labelBound, data->domtermnbr, INT32_MAX)) {
    errorPrint("archDecoArchLoad: bad input (2)");
    return 1;
  }
  if (format == 0) return archDecoArchLoad0(data, labelBound, stream);
  data->domvertnbr = labelBound;
  return archDecoArchLoad1(data, stream);
}

const ArchClass* archDecoLoadedClass(const ArchDeco* data) {
  return (data->flagval == ARCH_DECO_GRAPH) ? &archDeco2Class : &archDecoClass;
}

int archDecoArchSave(const ArchDeco* data, FILE* stream) {
  if (fprintf(stream, "1\n%d\t%d\n", data->domtermnbr, data->domvertnbr) < 0) {
    errorPrint("archDecoArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum label = 0; label < data->domvertnbr; label++) {
    const ArchDecoVert& vert = data->domverttab[label];
    if (fprintf(stream, "%d\t%d\t%d\n", vert.labl, vert.size, vert.wght) < 0) {
      errorPrint("archDecoArchSave: bad output (2)");
      return 1;
    }
  }
  const int64_t distnbr = archDecoDistNbr(data->domvertnbr);
  for (int64_t index = 0; index < distnbr; index++) {
    char separator = ((index % 8) == 7 && index != distnbr - 1) ? '\n' : '\t';
    if (fprintf(stream, "%d%c", data->domdisttab[index], separator) < 0) {
      errorPrint("archDecoArchSave: bad output (3)");
      return 1;
    }
  }
  if (fprintf(stream, "\n") < 0) {
    errorPrint("archDecoArchSave: bad output (4)");
    return 1;
  }
  return 0;
}

int archDecoArchFree(ArchDeco* data) {
  memFree(data->domverttab);
  memFree(data->domdisttab);
  memset(data, 0, sizeof(ArchDeco));
  return 0;
}

GraphNum archDecoDomNumber(const ArchDeco* data, const ArchDecoDom* domain) {
  return data->domverttab[domain->labl - 1].labl;
}

int archDecoDomTerminal(const ArchDeco* data, ArchDecoDom* domain, GraphNum number) {
  if (number < 0 || number >= data->domtermnbr) return 1;
  domain->labl = data->domtermtab[number];
  return 0;
}

GraphNum archDecoDomSize(const ArchDeco* data, const ArchDecoDom* domain) {
  return data->domverttab[domain->labl - 1].size;
}

GraphNum archDecoDomWeight(const ArchDeco* data, const ArchDecoDom* domain) {
  return data->domverttab[domain->labl - 1].wght;
}

GraphNum archDecoDomDist(const ArchDeco* data, const ArchDecoDom* first, const ArchDecoDom* second) {
  if (first->labl == second->labl) return 0;
  return data->domdisttab[archDecoDistIndex(std::max(first->labl, second->labl), std::min(first->labl, second->labl))];
}

int archDecoDomFirst(const ArchDeco*, ArchDecoDom* domain) {
  domain->labl = 1;
  return 0;
}

int archDecoDomLoad(const ArchDeco* data, ArchDecoDom* domain, FILE* stream) {
  if (!archReadNum(stream, &domain->labl, 1, data->domvertnbr) || data->domverttab[domain->labl - 1].size == 0) {
    errorPrint("archDecoDomLoad: bad input");
    return 1;
  }
  return 0;
}

int archDecoDomSave(const ArchDeco*, const ArchDecoDom* domain, FILE* stream) {
  if (fprintf(stream, "%d ", domain->labl) < 0) {
    errorPrint("archDecoDomSave: bad output");
    return 1;
  }
  return 0;
}

// A domain with one non-empty child holds the same terminals as that child:
// the split goes down to the first domain with two.
int archDecoDomBipart(const ArchDeco* data, const ArchDecoDom* domain, ArchDecoDom* first, ArchDecoDom* second) {
  int64_t label = domain->labl;
  for (;;) {
    const bool left = archDecoSize(data, 2 * label) > 0;
    const bool right = archDecoSize(data, 2 * label + 1) > 0;
    if (left && right) {
      first->labl = static_cast<GraphNum>(2 * label);
      second->labl = static_cast<GraphNum>(2 * label + 1);
      return 0;
    }
    if (!left && !right) return 1;
    label = left ? 2 * label : 2 * label + 1;
  }
}

int archDecoDomIncludes(const ArchDeco* data, const ArchDecoDom* outer, const ArchDecoDom* inner) {
  GraphNum depthGap = archDecoDepth(inner->labl) - archDecoDepth(outer->labl);
  if (depthGap >= 0) return ((inner->labl >> depthGap) == outer->labl) ? 1 : 0;
  // A domain above the outer one lies inside it when they hold the same terminals.
  return ((outer->labl >> -depthGap) == inner->labl &&
          data->domverttab[outer->labl - 1].size == data->domverttab[inner->labl - 1].size)
             ? 1
             : 0;
}

}  // namespace

constinit const ArchClass archDecoClass = {
    .name = "deco",
    .flags = 0,
    .archLoad = archOp<archDecoArchLoad>,
    .archSave = archOp<archDecoArchSave>,
    .archFree = archOp<archDecoArchFree>,
    .archMatchInit = nullptr,
    .archMatchExit = nullptr,
    .archMatchMate = nullptr,
    .archDomNumber = archOp<archDecoDomNumber>,
    .archDomTerminal = archOp<archDecoDomTerminal>,
    .archDomSize = archOp<archDecoDomSize>,
    .archDomWeight = archOp<archDecoDomWeight>,
    .archDomDist = archOp<archDecoDomDist>,
    .archDomFirst = archOp<archDecoDomFirst>,
    .archDomLoad = archOp<archDecoDomLoad>,
    .archDomSave = archOp<archDecoDomSave>,
    .archDomBipart = archOp<archDecoDomBipart>,
    .archDomIncludes = archOp<archDecoDomIncludes>,
    .domainSize = sizeof(ArchDecoDom),
    .archLoadedClass = archOp<archDecoLoadedClass>,
};
