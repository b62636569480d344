// Mesh and torus architectures.
//
// Terminal (x, y, z, ...) has number x + X (y + Y (z + ...)). A domain is a
// box, per dimension a range of coordinates; splits cut the box across one
// dimension at its middle, (min + max) / 2 ending the first half. Distances
// are measured between box centres in doubled coordinates, so that boxes of
// odd and even extents compare exactly: on a mesh each dimension adds the
// rounded-up half of the doubled gap, on a torus the doubled gap is taken
// the short way round the ring and the sum halved.
#include "arch/arch_mesh.h"

#include <cstdlib>

namespace {

// Reads the sizes of a mesh of dimnnbr dimensions into data; false on an
// unreadable size, a size below 1 or a terminal count beyond GraphNum.
bool archMeshReadSizes(ArchMesh* data, GraphNum dimnnbr, FILE* stream) {
  data->dimnnbr = dimnnbr;
  int64_t termNbr = 1;
  for (GraphNum dim = 0; dim < dimnnbr; dim++) {
    if (!archReadNum(stream, &data->c[dim], 1, INT32_MAX)) return false;
    termNbr *= data->c[dim];
    if (termNbr > INT32_MAX) return false;
  }
  return true;
}

int archMesh2ArchLoad(ArchMesh* data, FILE* stream) {
  if (!archMeshReadSizes(data, 2, stream)) {
    errorPrint("archMesh2ArchLoad: bad input");
    return 1;
  }
  return 0;
}

int archMesh3ArchLoad(ArchMesh* data, FILE* stream) {
  if (!archMeshReadSizes(data, 3, stream)) {
    errorPrint("archMesh3ArchLoad: bad input");
    return 1;
  }
  return 0;
}

int archMeshXArchLoad(ArchMesh* data, FILE* stream) {
  GraphNum dimnnbr;
  if (!archReadNum(stream, &dimnnbr, 1, ARCH_MESH_DIM_MAX)) {
    errorPrint("archMeshXArchLoad: bad input (1)");
    return 1;
  }
  if (!archMeshReadSizes(data, dimnnbr, stream)) {
    errorPrint("archMeshXArchLoad: bad input (2)");
    return 1;
  }
  return 0;
}

int archMesh2ArchSave(const ArchMesh* data, FILE* stream) {
  if (fprintf(stream, "%d %d\n", data->c[0], data->c[1]) < 0) {
    errorPrint("archMesh2ArchSave: bad output");
    return 1;
  }
  return 0;
}

int archMesh3ArchSave(const ArchMesh* data, FILE* stream) {
  if (fprintf(stream, "%d %d %d\n", data->c[0], data->c[1], data->c[2]) < 0) {
    errorPrint("archMesh3ArchSave: bad output");
    return 1;
  }
  return 0;
}

int archMeshXArchSave(const ArchMesh* data, FILE* stream) {
  if (fprintf(stream, "%d ", data->dimnnbr) < 0) {
    errorPrint("archMeshXArchSave: bad output (1)");
    return 1;
  }
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    if (fprintf(stream, "%d ", data->c[dim]) < 0) {
      errorPrint("archMeshXArchSave: bad output (2)");
      return 1;
    }
  }
  if (fprintf(stream, "\n") < 0) {
    errorPrint("archMeshArchSave: bad output (3)");
    return 1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Domains

GraphNum archMeshDomNumber(const ArchMesh* data, const ArchMeshDom* domain) {
  GraphNum number = 0;
  for (GraphNum dim = data->dimnnbr - 1; dim >= 0; dim--) number = number * data->c[dim] + domain->c[dim][0];
  return number;
}

int archMeshDomTerminal(const ArchMesh* data, ArchMeshDom* domain, GraphNum number) {
  if (number < 0) return 1;
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    domain->c[dim][0] = domain->c[dim][1] = number % data->c[dim];
    number /= data->c[dim];
  }
  return (number == 0) ? 0 : 1;  // anything left over lies beyond the last terminal
}

GraphNum archMeshDomSize(const ArchMesh* data, const ArchMeshDom* domain) {
  GraphNum size = 1;
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) size *= domain->c[dim][1] - domain->c[dim][0] + 1;
  return size;
}

// Doubled distance between the centres of the two boxes along one dimension
// (doubled coordinates may pass INT32_MAX).
int64_t archMeshCentreGap(const ArchMeshDom* first, const ArchMeshDom* second, GraphNum dim) {
  return std::abs((static_cast<int64_t>(first->c[dim][0]) + first->c[dim][1]) -
                  (static_cast<int64_t>(second->c[dim][0]) + second->c[dim][1]));
}

GraphNum archMeshDomDist(const ArchMesh* data, const ArchMeshDom* first, const ArchMeshDom* second) {
  int64_t distance = 0;
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) distance += (archMeshCentreGap(first, second, dim) + 1) / 2;
  return static_cast<GraphNum>(distance);
}

GraphNum archTorusDomDist(const ArchMesh* data, const ArchMeshDom* first, const ArchMeshDom* second) {
  int64_t distance = 0;
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    int64_t gap = archMeshCentreGap(first, second, dim);
    distance += (gap <= data->c[dim]) ? gap : 2 * static_cast<int64_t>(data->c[dim]) - gap;
  }
  return static_cast<GraphNum>(distance / 2);
}

int archMeshDomFirst(const ArchMesh* data, ArchMeshDom* domain) {
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    domain->c[dim][0] = 0;
    domain->c[dim][1] = data->c[dim] - 1;
  }
  return 0;
}

int archMeshDomLoad(const ArchMesh* data, ArchMeshDom* domain, FILE* stream) {
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    if (!archReadNum(stream, &domain->c[dim][0], 0, data->c[dim] - 1) ||
        !archReadNum(stream, &domain->c[dim][1], domain->c[dim][0], data->c[dim] - 1)) {
      errorPrint("archMeshXDomLoad: bad input");
      return 1;
    }
  }
  return 0;
}

int archMeshDomSave(const ArchMesh* data, const ArchMeshDom* domain, FILE* stream) {
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    if (fprintf(stream, "%d %d ", domain->c[dim][0], domain->c[dim][1]) < 0) {
      errorPrint("archMeshXDomSave: bad output");
      return 1;
    }
  }
  return 0;
}

// Cuts the box across dimension dim at its middle.
void archMeshDomSplit(const ArchMeshDom* domain, GraphNum dim, ArchMeshDom* first, ArchMeshDom* second) {
  *first = *domain;
  *second = *domain;
  GraphNum middle = static_cast<GraphNum>((static_cast<int64_t>(domain->c[dim][0]) + domain->c[dim][1]) / 2);
  first->c[dim][1] = middle;
  second->c[dim][0] = middle + 1;
}

GraphNum archMeshExtent(const ArchMeshDom* domain, GraphNum dim) { return domain->c[dim][1] - domain->c[dim][0]; }

// Two dimensions: the larger extent; on a tie x when the machine is wider
// than high, else y.
int archMesh2DomBipart(const ArchMesh* data, const ArchMeshDom* domain, ArchMeshDom* first, ArchMeshDom* second) {
  GraphNum extentX = archMeshExtent(domain, 0);
  GraphNum extentY = archMeshExtent(domain, 1);
  if (extentX == 0 && extentY == 0) return 1;
  GraphNum dim = (extentX > extentY || (extentX == extentY && data->c[1] < data->c[0])) ? 0 : 1;
  archMeshDomSplit(domain, dim, first, second);
  return 0;
}

// Three dimensions: the largest extent; ties go to x, then y.
int archMesh3DomBipart(const ArchMesh*, const ArchMeshDom* domain, ArchMeshDom* first, ArchMeshDom* second) {
  GraphNum extent[3] = {archMeshExtent(domain, 0), archMeshExtent(domain, 1), archMeshExtent(domain, 2)};
  if (extent[0] == 0 && extent[1] == 0 && extent[2] == 0) return 1;
  GraphNum dim = (extent[0] >= extent[1] && extent[0] >= extent[2]) ? 0 : (extent[1] >= extent[2]) ? 1 : 2;
  archMeshDomSplit(domain, dim, first, second);
  return 0;
}

// Any dimension count: the largest extent, then the largest machine size,
// then the highest dimension.
int archMeshXDomBipart(const ArchMesh* data, const ArchMeshDom* domain, ArchMeshDom* first, ArchMeshDom* second) {
  GraphNum chosen = data->dimnnbr - 1;
  for (GraphNum dim = data->dimnnbr - 2; dim >= 0; dim--) {
    GraphNum extent = archMeshExtent(domain, dim);
    GraphNum chosenExtent = archMeshExtent(domain, chosen);
    if (extent > chosenExtent || (extent == chosenExtent && data->c[dim] > data->c[chosen])) chosen = dim;
  }
  if (archMeshExtent(domain, chosen) == 0) return 1;
  archMeshDomSplit(domain, chosen, first, second);
  return 0;
}

int archMeshDomIncludes(const ArchMesh* data, const ArchMeshDom* outer, const ArchMeshDom* inner) {
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++)
    if (inner->c[dim][0] < outer->c[dim][0] || inner->c[dim][1] > outer->c[dim][1]) return 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Matching

// The dimension a level halves: the largest, the last one on a tie; -1 when
// one terminal is left.
GraphNum archMeshMatchDim(const ArchMeshMatch* match) {
  GraphNum chosen = -1;
  for (GraphNum dim = 0; dim < match->dimnnbr; dim++)
    if (match->c[dim] > 1 && (chosen < 0 || match->c[dim] >= match->c[chosen])) chosen = dim;
  return chosen;
}

int archMeshMatchInit(ArchMeshMatch* match, const ArchMesh* data) {
  match->dimnnbr = data->dimnnbr;
  int64_t termNbr = 1;
  for (GraphNum dim = 0; dim < data->dimnnbr; dim++) {
    match->c[dim] = data->c[dim];
    termNbr *= data->c[dim];
  }
  match->passNum = 0;
  // The first level has the most pairs.
  GraphNum dim = archMeshMatchDim(match);
  int64_t pairNbr = (dim < 0) ? 1 : termNbr / match->c[dim] * ((match->c[dim] + 1) / 2);
  match->pairs = static_cast<ArchCoarsenMulti*>(memAlloc(static_cast<size_t>(pairNbr) * sizeof(ArchCoarsenMulti)));
  if (match->pairs == nullptr) {
    errorPrint("archMeshXMatchInit: out of memory");
    return 1;
  }
  return 0;
}

void archMeshMatchExit(ArchMeshMatch* match) {
  memFree(match->pairs);
  match->pairs = nullptr;
}

GraphNum archMeshMatchMate(ArchMeshMatch* match, ArchCoarsenMulti** pairs) {
  GraphNum dim = archMeshMatchDim(match);
  if (dim < 0) return -1;
  GraphNum stride = 1;  // terminals of the dimensions below dim
  for (GraphNum below = 0; below < dim; below++) stride *= match->c[below];
  GraphNum upper = 1;  // coordinates of the dimensions above dim
  for (GraphNum above = dim + 1; above < match->dimnnbr; above++) upper *= match->c[above];
  const GraphNum size = match->c[dim];
  const GraphNum coarseSize = (size + 1) / 2;
  // With an odd size the first coordinate stays single on odd passes, the
  // last one otherwise.
  const GraphNum shift = ((size & 1) != 0 && (match->passNum & 1) != 0) ? 1 : 0;

  ArchCoarsenMulti* pair = match->pairs;
  for (GraphNum high = 0; high < upper; high++)
    for (GraphNum coarse = 0; coarse < coarseSize; coarse++)
      for (GraphNum low = 0; low < stride; low++) {
        GraphNum fine0 = 2 * coarse - shift;
        GraphNum fine1 = fine0 + 1;
        if (fine0 < 0) fine0 = 0;
        if (fine1 >= size) fine1 = size - 1;
        GraphNum base = low + stride * size * high;
        *pair++ = ArchCoarsenMulti{{base + stride * fine0, base + stride * fine1}};
      }
  match->c[dim] = coarseSize;
  match->passNum++;
  *pairs = match->pairs;
  return static_cast<GraphNum>(pair - match->pairs);
}

constexpr ArchClass archMeshClass(const char* name, int (*load)(void*, FILE*), int (*save)(const void*, FILE*),
                                  GraphNum (*dist)(const void*, const ArchDom*, const ArchDom*),
                                  int (*bipart)(const void*, const ArchDom*, ArchDom*, ArchDom*)) {
  return ArchClass{
      .name = name,
      .flags = 0,
      .archLoad = load,
      .archSave = save,
      .archFree = nullptr,
      .archMatchInit = archOp<archMeshMatchInit>,
      .archMatchExit = archOp<archMeshMatchExit>,
      .archMatchMate = archOp<archMeshMatchMate>,
      .archDomNumber = archOp<archMeshDomNumber>,
      .archDomTerminal = archOp<archMeshDomTerminal>,
      .archDomSize = archOp<archMeshDomSize>,
      .archDomWeight = archOp<archMeshDomSize>,
      .archDomDist = dist,
      .archDomFirst = archOp<archMeshDomFirst>,
      .archDomLoad = archOp<archMeshDomLoad>,
      .archDomSave = archOp<archMeshDomSave>,
      .archDomBipart = bipart,
      .archDomIncludes = archOp<archMeshDomIncludes>,
      .domainSize = sizeof(ArchMeshDom),
      .archLoadedClass = nullptr,
  };
}

}  // namespace

constinit const ArchClass archMesh2Class = archMeshClass("mesh2D", archOp<archMesh2ArchLoad>, archOp<archMesh2ArchSave>,
                                                         archOp<archMeshDomDist>, archOp<archMesh2DomBipart>);
constinit const ArchClass archMesh3Class = archMeshClass("mesh3D", archOp<archMesh3ArchLoad>, archOp<archMesh3ArchSave>,
                                                         archOp<archMeshDomDist>, archOp<archMesh3DomBipart>);
constinit const ArchClass archMeshXClass = archMeshClass("meshXD", archOp<archMeshXArchLoad>, archOp<archMeshXArchSave>,
                                                         archOp<archMeshDomDist>, archOp<archMeshXDomBipart>);
constinit const ArchClass archTorus2Class =
    archMeshClass("torus2D", archOp<archMesh2ArchLoad>, archOp<archMesh2ArchSave>, archOp<archTorusDomDist>,
                  archOp<archMesh2DomBipart>);
constinit const ArchClass archTorus3Class =
    archMeshClass("torus3D", archOp<archMesh3ArchLoad>, archOp<archMesh3ArchSave>, archOp<archTorusDomDist>,
                  archOp<archMesh3DomBipart>);
constinit const ArchClass archTorusXClass =
    archMeshClass("torusXD", archOp<archMeshXArchLoad>, archOp<archMeshXArchSave>, archOp<archTorusDomDist>,
                  archOp<archMeshXDomBipart>);

int archMeshArchBuild(Arch* arch, const ArchClass* meshClass, GraphNum dimnnbr, const GraphNum* sizes) {
  int64_t termNbr = 1;
  bool valid = dimnnbr >= 1 && dimnnbr <= ARCH_MESH_DIM_MAX;
  for (GraphNum dim = 0; valid && dim < dimnnbr; dim++) {
    termNbr *= sizes[dim];
    valid = sizes[dim] >= 1 && termNbr <= INT32_MAX;
  }
  if (!valid) {
    errorPrint("archMeshArchBuild: invalid parameters");
    return 1;
  }
  archSetClass(arch, meshClass);
  ArchMesh* data = archDataOf<ArchMesh>(arch);
  data->dimnnbr = dimnnbr;
  for (GraphNum dim = 0; dim < dimnnbr; dim++) data->c[dim] = sizes[dim];
  return 0;
}
