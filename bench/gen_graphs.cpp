// Synthetic graph generator for robustness and scaling benchmarks (not part
// of the product). Writes graphs in the system's graph file format (version
// 0, base 1, no loads, no labels).
//
//   gen_graphs KIND OUT.grf [PARAMETERS...]
//
// Kinds and parameters:
//   grid2d W H            W x H grid, 5-point stencil
//   tri2d W H             W x H grid with one diagonal per cell (triangles)
//   mesh2d W H SEED       W x H grid, each cell cut along a random diagonal:
//                         an irregular triangulation with degrees 2 to 8
//   grid3d X Y Z          X x Y x Z grid, 7-point stencil
//   grid27 X Y Z          X x Y x Z grid, 27-point stencil
//   tet3d X Y Z           X x Y x Z grid, each cube cut into six tetrahedra
//                         around one main diagonal (14 neighbours inside)
//   rgg N DEGREE SEED     N random points of the unit square joined when
//                         closer than the radius giving DEGREE on average
//   rgg3d N DEGREE SEED   the same in the unit cube
//   delaunay N SEED       Delaunay triangulation of N random points
//   hubs W H K DEGREE SEED  W x H triangulated grid plus K hub vertices,
//                         each joined to DEGREE random grid vertices
//   hubs3d X Y Z K DEGREE SEED  the same over a 7-point 3D grid
//   powerlaw N M SEED     preferential attachment, M links per new vertex
//   trust N M SEED        a web-of-trust-like network: each new vertex makes a
//                         random number of links (geometric, mean M/10), the
//                         first by preferential attachment, each next one to a
//                         neighbour of the previous target with probability
//                         0.6 (closing a triangle), else preferentially:
//                         heavy-tailed degrees, many leaves, clustering
//   collab N K SEED       a collaboration-like network: papers of 1 to 6
//                         authors (about 3 on average) until N authors exist;
//                         an author slot takes a new author with probability
//                         K/100, else an existing one in proportion to the
//                         papers already written; each paper joins its
//                         authors into a clique
//   components C SIZE ISOLATED SEED  C disjoint small random graphs of SIZE
//                         vertices each (trees, cycles, cliques, grids),
//                         then ISOLATED isolated vertices, all shuffled
//   path N                a path, vertices in random order when SEED given
//   star N                one centre joined to N - 1 leaves
//   complete N            the complete graph
//   copies K W H          K disjoint W x H triangulated grids
//   caterpillar N         a path whose every vertex also has a leaf
//   bintree N             a complete binary tree of N vertices
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using Edge = std::pair<int32_t, int32_t>;

struct Random {
  uint64_t state;
  explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  int64_t below(int64_t bound) { return static_cast<int64_t>(next() % static_cast<uint64_t>(bound)); }
};

[[noreturn]] void fail(const char* message) {
  std::fprintf(stderr, "gen_graphs: %s\n", message);
  std::exit(1);
}

struct Builder {
  int64_t n = 0;
  std::vector<Edge> edges;
  void add(int64_t a, int64_t b) {
    if (a == b) return;
    if (a > b) std::swap(a, b);
    edges.emplace_back(static_cast<int32_t>(a), static_cast<int32_t>(b));
  }
};

// Writes the graph: duplicate edges removed, neighbours in increasing order.
void write(Builder& builder, const char* path) {
  if (builder.n > INT32_MAX) fail("too many vertices");
  std::vector<Edge>& edges = builder.edges;
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  const int64_t n = builder.n;
  std::vector<int64_t> begin(n + 1, 0);
  for (const Edge& edge : edges) {
    begin[edge.first + 1]++;
    begin[edge.second + 1]++;
  }
  for (int64_t v = 0; v < n; v++) begin[v + 1] += begin[v];
  if (begin[n] > INT32_MAX) fail("too many arcs");
  std::vector<int32_t> target(begin[n]);
  std::vector<int64_t> fill(begin.begin(), begin.end() - 1);
  // Sorted edges list the smaller ends in order; writing both ends from the
  // sorted list in two passes keeps every neighbour list sorted.
  for (const Edge& edge : edges) target[fill[edge.second]++] = edge.first;
  for (const Edge& edge : edges) target[fill[edge.first]++] = edge.second;
  for (int64_t v = 0; v < n; v++) std::sort(target.begin() + begin[v], target.begin() + begin[v + 1]);
  std::vector<Edge>().swap(edges);

  FILE* stream = std::fopen(path, "w");
  if (stream == nullptr) fail("cannot open the output file");
  std::vector<char> buffer(1 << 20);
  size_t used = 0;
  auto flush = [&]() {
    if (std::fwrite(buffer.data(), 1, used, stream) != used) fail("write error");
    used = 0;
  };
  auto put = [&](int64_t value, char separator) {
    if (used + 24 > buffer.size()) flush();
    char digits[24];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    while (count > 0) buffer[used++] = digits[--count];
    buffer[used++] = separator;
  };
  std::fprintf(stream, "0\n%lld\t%lld\n1\t000\n", static_cast<long long>(n), static_cast<long long>(begin[n]));
  for (int64_t v = 0; v < n; v++) {
    int64_t degree = begin[v + 1] - begin[v];
    put(degree, degree > 0 ? '\t' : '\n');
    for (int64_t arc = begin[v]; arc < begin[v + 1]; arc++) put(target[arc] + 1, arc + 1 < begin[v + 1] ? '\t' : '\n');
  }
  flush();
  if (std::fclose(stream) != 0) fail("write error");
  std::fprintf(stderr, "%s: %lld vertices, %lld arcs\n", path, static_cast<long long>(n),
               static_cast<long long>(begin[n]));
}

// Gives the vertices a random numbering (so that the file order carries no
// geometric locality).
void shuffle(Builder& builder, Random& random) {
  std::vector<int32_t> label(builder.n);
  for (int64_t v = 0; v < builder.n; v++) label[v] = static_cast<int32_t>(v);
  for (int64_t v = builder.n - 1; v > 0; v--) std::swap(label[v], label[random.below(v + 1)]);
  for (Edge& edge : builder.edges) {
    edge.first = label[edge.first];
    edge.second = label[edge.second];
    if (edge.first > edge.second) std::swap(edge.first, edge.second);
  }
}

void grid2d(Builder& b, int64_t offset, int64_t w, int64_t h, int diagonals, Random* random) {
  auto id = [&](int64_t x, int64_t y) { return offset + y * w + x; };
  for (int64_t y = 0; y < h; y++)
    for (int64_t x = 0; x < w; x++) {
      if (x + 1 < w) b.add(id(x, y), id(x + 1, y));
      if (y + 1 < h) b.add(id(x, y), id(x, y + 1));
      if (diagonals > 0 && x + 1 < w && y + 1 < h) {
        if (random != nullptr && (random->next() & 1))
          b.add(id(x + 1, y), id(x, y + 1));
        else
          b.add(id(x, y), id(x + 1, y + 1));
      }
    }
}

void grid3d(Builder& b, int64_t nx, int64_t ny, int64_t nz, int stencil) {
  auto id = [&](int64_t x, int64_t y, int64_t z) { return (z * ny + y) * nx + x; };
  for (int64_t z = 0; z < nz; z++)
    for (int64_t y = 0; y < ny; y++)
      for (int64_t x = 0; x < nx; x++) {
        int64_t v = id(x, y, z);
        for (int dz = -1; dz <= 1; dz++)
          for (int dy = -1; dy <= 1; dy++)
            for (int dx = -1; dx <= 1; dx++) {
              int64_t u = id(x + dx, y + dy, z + dz);
              if (u <= v) continue;  // each edge once
              if (x + dx < 0 || x + dx >= nx || y + dy < 0 || y + dy >= ny || z + dz < 0 || z + dz >= nz) continue;
              int offsets = std::abs(dx) + std::abs(dy) + std::abs(dz);
              bool keep = false;
              if (stencil == 7) keep = offsets == 1;
              if (stencil == 27) keep = true;
              // Six tetrahedra around the main diagonal of each cube: the
              // edges are the cube edges, the face diagonals with signs
              // agreeing with (+,+,+) and the main diagonal.
              if (stencil == 15) keep = offsets == 1 || (dx >= 0 && dy >= 0 && dz >= 0);
              if (keep) b.add(v, u);
            }
      }
}

// Points in [0,1)^dimension joined when closer than radius, found through
// a grid of cells of side radius.
void geometric(Builder& b, int64_t n, double degree, int dimension, Random& random) {
  b.n = n;
  std::vector<double> point(n * dimension);
  for (double& coordinate : point) coordinate = random.uniform();
  double volume = degree / static_cast<double>(n);  // expected neighbours = n x ball volume
  double radius = dimension == 2 ? std::sqrt(volume / M_PI) : std::cbrt(volume * 3.0 / (4.0 * M_PI));
  int64_t cells = std::max<int64_t>(1, static_cast<int64_t>(1.0 / radius));
  int64_t cellCount = dimension == 2 ? cells * cells : cells * cells * cells;
  std::vector<int64_t> cellOf(n), cellStart(cellCount + 1, 0), members(n);
  auto cellIndex = [&](int64_t v) {
    int64_t index = 0;
    for (int d = 0; d < dimension; d++)
      index = index * cells + std::min<int64_t>(cells - 1, static_cast<int64_t>(point[v * dimension + d] * cells));
    return index;
  };
  for (int64_t v = 0; v < n; v++) cellStart[(cellOf[v] = cellIndex(v)) + 1]++;
  for (int64_t c = 0; c < cellCount; c++) cellStart[c + 1] += cellStart[c];
  std::vector<int64_t> fill(cellStart.begin(), cellStart.end() - 1);
  for (int64_t v = 0; v < n; v++) members[fill[cellOf[v]]++] = v;
  double radius2 = radius * radius;
  for (int64_t v = 0; v < n; v++) {
    int64_t c[3] = {0, 0, 0};
    int64_t rest = cellOf[v];
    for (int d = dimension - 1; d >= 0; d--) {
      c[d] = rest % cells;
      rest /= cells;
    }
    int64_t lo[3], hi[3];
    for (int d = 0; d < 3; d++) {
      lo[d] = d < dimension ? std::max<int64_t>(0, c[d] - 1) : 0;
      hi[d] = d < dimension ? std::min<int64_t>(cells - 1, c[d] + 1) : 0;
    }
    for (int64_t x = lo[0]; x <= hi[0]; x++)
      for (int64_t y = lo[1]; y <= hi[1]; y++)
        for (int64_t z = lo[2]; z <= hi[2]; z++) {
          int64_t cell = dimension == 2 ? x * cells + y : (x * cells + y) * cells + z;
          for (int64_t k = cellStart[cell]; k < cellStart[cell + 1]; k++) {
            int64_t u = members[k];
            if (u <= v) continue;
            double distance = 0.0;
            for (int d = 0; d < dimension; d++) {
              double delta = point[v * dimension + d] - point[u * dimension + d];
              distance += delta * delta;
            }
            if (distance < radius2) b.add(v, u);
          }
        }
  }
}

// Delaunay triangulation by incremental insertion (Bowyer-Watson) of points
// taken in the order of a coarse grid traversal, so that the walk from the
// last triangle made to the triangle holding the next point stays short.
struct Delaunay {
  std::vector<double> x, y;
  struct Triangle {
    int32_t v[3];
    int32_t adjacent[3];  // across the edge opposite v[k]; -1 on the hull
    bool alive;
  };
  std::vector<Triangle> triangles;
  std::vector<int32_t> freeTriangles;

  double orient(int32_t a, int32_t b, int32_t c) const {
    return (x[b] - x[a]) * (y[c] - y[a]) - (y[b] - y[a]) * (x[c] - x[a]);
  }
  bool inCircle(const Triangle& t, int32_t p) const {
    double ax = x[t.v[0]] - x[p], ay = y[t.v[0]] - y[p];
    double bx = x[t.v[1]] - x[p], by = y[t.v[1]] - y[p];
    double cx = x[t.v[2]] - x[p], cy = y[t.v[2]] - y[p];
    double determinant = (ax * ax + ay * ay) * (bx * cy - cx * by) - (bx * bx + by * by) * (ax * cy - cx * ay) +
                         (cx * cx + cy * cy) * (ax * by - bx * ay);
    return determinant > 0.0;  // triangles are counter-clockwise
  }
  int32_t make(int32_t a, int32_t b, int32_t c) {
    int32_t index;
    if (!freeTriangles.empty()) {
      index = freeTriangles.back();
      freeTriangles.pop_back();
    } else {
      index = static_cast<int32_t>(triangles.size());
      triangles.push_back({});
    }
    triangles[index] = {{a, b, c}, {-1, -1, -1}, true};
    return index;
  }
  // Walks from triangle start to the triangle containing p.
  int32_t locate(int32_t start, int32_t p, Random& random) const {
    int32_t t = start;
    for (;;) {
      const Triangle& triangle = triangles[t];
      int first = static_cast<int>(random.next() % 3);
      int32_t nextTriangle = -1;
      for (int k = 0; k < 3 && nextTriangle < 0; k++) {
        int e = (first + k) % 3;
        int32_t a = triangle.v[(e + 1) % 3], b = triangle.v[(e + 2) % 3];
        if (orient(a, b, p) < 0.0) nextTriangle = triangle.adjacent[e];
      }
      if (nextTriangle < 0) return t;
      t = nextTriangle;
    }
  }
  void run(int64_t n, Random& random, Builder& builder) {
    // Three far corners of a super triangle come after the real points.
    x.resize(n + 3);
    y.resize(n + 3);
    int64_t side = std::max<int64_t>(1, static_cast<int64_t>(std::sqrt(static_cast<double>(n) / 4.0)));
    std::vector<std::pair<int64_t, int32_t>> keyed(n);
    for (int64_t v = 0; v < n; v++) {
      x[v] = random.uniform();
      y[v] = random.uniform();
      int64_t cx = std::min<int64_t>(side - 1, static_cast<int64_t>(x[v] * side));
      int64_t cy = std::min<int64_t>(side - 1, static_cast<int64_t>(y[v] * side));
      int64_t row = cy;
      int64_t column = (row & 1) ? side - 1 - cx : cx;  // serpentine order of cells
      keyed[v] = {row * side + column, static_cast<int32_t>(v)};
    }
    std::sort(keyed.begin(), keyed.end());
    x[n] = -100.0, y[n] = -100.0;
    x[n + 1] = 100.0, y[n + 1] = -100.0;
    x[n + 2] = 0.5, y[n + 2] = 100.0;
    int32_t last = make(static_cast<int32_t>(n), static_cast<int32_t>(n + 1), static_cast<int32_t>(n + 2));
    std::vector<int32_t> cavity, stack;
    std::vector<std::pair<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>>> boundary;
    std::vector<char> inCavity;
    for (const auto& entry : keyed) {
      int32_t p = entry.second;
      int32_t seed = locate(last, p, random);
      cavity.clear();
      stack.assign(1, seed);
      if (inCavity.size() < triangles.size()) inCavity.resize(triangles.size() * 2, 0);
      inCavity[seed] = 1;
      while (!stack.empty()) {
        int32_t t = stack.back();
        stack.pop_back();
        cavity.push_back(t);
        for (int k = 0; k < 3; k++) {
          int32_t u = triangles[t].adjacent[k];
          if (u >= 0 && !inCavity[u] && inCircle(triangles[u], p)) {
            inCavity[u] = 1;
            stack.push_back(u);
          }
        }
      }
      // Boundary edges of the cavity (a, b) counter-clockwise, with the
      // triangle outside.
      boundary.clear();
      for (int32_t t : cavity)
        for (int k = 0; k < 3; k++) {
          int32_t u = triangles[t].adjacent[k];
          if (u < 0 || !inCavity[u])
            boundary.push_back({{triangles[t].v[(k + 1) % 3], triangles[t].v[(k + 2) % 3]}, {u, 0}});
        }
      for (int32_t t : cavity) {
        inCavity[t] = 0;
        triangles[t].alive = false;
        freeTriangles.push_back(t);
      }
      // New fan of triangles (p, a, b); link them to the outside and to
      // each other through the shared edges (p, a) and (p, b).
      std::vector<std::pair<int32_t, int32_t>> byStart;  // a -> triangle
      byStart.reserve(boundary.size());
      std::vector<int32_t> made;
      for (auto& edge : boundary) {
        int32_t a = edge.first.first, b = edge.first.second, outside = edge.second.first;
        int32_t t = make(p, a, b);
        if (inCavity.size() < triangles.size()) inCavity.resize(triangles.size() * 2, 0);
        triangles[t].adjacent[0] = outside;  // opposite p: edge (a, b)
        if (outside >= 0) {
          Triangle& o = triangles[outside];
          for (int k = 0; k < 3; k++)
            if (o.v[k] != a && o.v[k] != b) o.adjacent[k] = t;
        }
        made.push_back(t);
        byStart.push_back({a, t});
      }
      std::sort(byStart.begin(), byStart.end());
      for (int32_t t : made) {
        // Edge (p, b) is opposite a (index 1): shared with the triangle
        // starting at b.
        int32_t b = triangles[t].v[2];
        auto found = std::lower_bound(byStart.begin(), byStart.end(), std::make_pair(b, INT32_MIN));
        if (found != byStart.end() && found->first == b) {
          triangles[t].adjacent[1] = found->second;
          triangles[found->second].adjacent[2] = t;
        }
      }
      last = made.front();
    }
    builder.n = n;
    for (const Triangle& t : triangles) {
      if (!t.alive) continue;
      for (int k = 0; k < 3; k++) {
        int32_t a = t.v[k], b = t.v[(k + 1) % 3];
        if (a < n && b < n) builder.add(a, b);
      }
    }
  }
};

// Web-of-trust-like growth (see the kinds above); meanTenths is ten times
// the mean number of links of a new vertex.
void trust(Builder& b, int64_t n, int64_t meanTenths, Random& random) {
  b.n = n;
  std::vector<std::vector<int32_t>> neighbours(n);
  std::vector<int32_t> ends;  // one entry per arc end: a uniform pick is preferential
  auto link = [&](int64_t u, int64_t v) {
    if (u == v) return false;
    for (int32_t w : neighbours[u])
      if (w == v) return false;
    neighbours[u].push_back(static_cast<int32_t>(v));
    neighbours[v].push_back(static_cast<int32_t>(u));
    ends.push_back(static_cast<int32_t>(u));
    ends.push_back(static_cast<int32_t>(v));
    b.add(u, v);
    return true;
  };
  const double stop = 10.0 / static_cast<double>(std::max<int64_t>(meanTenths, 10));  // geometric, mean M/10
  for (int64_t v = 1; v < n; v++) {
    int64_t previous = -1;
    int64_t links = 1;
    while (random.uniform() >= stop) links++;
    for (int64_t k = 0; k < links; k++) {
      int64_t target;
      if (previous >= 0 && random.uniform() < 0.6 && !neighbours[previous].empty())
        target = neighbours[previous][random.below(static_cast<int64_t>(neighbours[previous].size()))];
      else
        target = ends.empty() ? 0 : ends[random.below(static_cast<int64_t>(ends.size()))];
      if (link(v, target)) previous = target;
    }
  }
}

// Collaboration-like growth (see the kinds above).
void collab(Builder& b, int64_t authors, int64_t newPercent, Random& random) {
  std::vector<int32_t> slots;  // one entry per authorship: a uniform pick is preferential
  int64_t count = 0;
  while (count < authors) {
    int64_t size = 1;
    while (size < 6 && random.uniform() < 0.62) size++;
    std::vector<int64_t> paper;
    for (int64_t k = 0; k < size && count < authors; k++) {
      int64_t author;
      if (slots.empty() || static_cast<int64_t>(random.below(100)) < newPercent)
        author = count++;
      else
        author = slots[random.below(static_cast<int64_t>(slots.size()))];
      if (std::find(paper.begin(), paper.end(), author) == paper.end()) paper.push_back(author);
    }
    for (int64_t author : paper) slots.push_back(static_cast<int32_t>(author));
    for (size_t i = 0; i < paper.size(); i++)
      for (size_t j = i + 1; j < paper.size(); j++) b.add(paper[i], paper[j]);
  }
  b.n = count;
}

void components(Builder& b, int64_t count, int64_t size, int64_t isolated, Random& random) {
  b.n = count * size + isolated;
  for (int64_t c = 0; c < count; c++) {
    int64_t offset = c * size;
    switch (c % 4) {
      case 0:  // random tree
        for (int64_t v = 1; v < size; v++) b.add(offset + v, offset + random.below(v));
        break;
      case 1:  // cycle
        for (int64_t v = 0; v < size; v++) b.add(offset + v, offset + (v + 1) % size);
        break;
      case 2:  // clique
        for (int64_t v = 0; v < size; v++)
          for (int64_t u = v + 1; u < size; u++) b.add(offset + v, offset + u);
        break;
      default: {  // small grid (the last row may be partial)
        int64_t w = std::max<int64_t>(1, static_cast<int64_t>(std::sqrt(static_cast<double>(size))));
        for (int64_t v = 0; v < size; v++) {
          if ((v % w) + 1 < w && v + 1 < size) b.add(offset + v, offset + v + 1);
          if (v + w < size) b.add(offset + v, offset + v + w);
        }
      }
    }
  }
  shuffle(b, random);
}

int64_t arg(int argc, char** argv, int index) {
  if (index >= argc) fail("missing parameter");
  char* end;
  long long value = std::strtoll(argv[index], &end, 10);
  if (*end != '\0' || value < 0) fail("bad parameter");
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: gen_graphs KIND OUT.grf [PARAMETERS...] (see the source)\n");
    return 1;
  }
  std::string kind = argv[1];
  const char* out = argv[2];
  Builder b;
  auto p = [&](int index) { return arg(argc, argv, 3 + index); };
  if (kind == "grid2d" || kind == "tri2d") {
    b.n = p(0) * p(1);
    grid2d(b, 0, p(0), p(1), kind == "tri2d" ? 1 : 0, nullptr);
  } else if (kind == "mesh2d") {
    Random random(p(2));
    b.n = p(0) * p(1);
    grid2d(b, 0, p(0), p(1), 1, &random);
  } else if (kind == "grid3d" || kind == "grid27" || kind == "tet3d") {
    b.n = p(0) * p(1) * p(2);
    grid3d(b, p(0), p(1), p(2), kind == "grid3d" ? 7 : kind == "grid27" ? 27 : 15);
  } else if (kind == "rgg" || kind == "rgg3d") {
    Random random(p(2));
    geometric(b, p(0), static_cast<double>(p(1)), kind == "rgg" ? 2 : 3, random);
    shuffle(b, random);
  } else if (kind == "delaunay") {
    Random random(p(1));
    Delaunay delaunay;
    delaunay.run(p(0), random, b);
    shuffle(b, random);
  } else if (kind == "hubs" || kind == "hubs3d") {
    bool three = kind == "hubs3d";
    int64_t meshSize = three ? p(0) * p(1) * p(2) : p(0) * p(1);
    int first = three ? 3 : 2;
    int64_t hubs = p(first), degree = p(first + 1);
    Random random(p(first + 2));
    if (three)
      grid3d(b, p(0), p(1), p(2), 7);
    else
      grid2d(b, 0, p(0), p(1), 1, nullptr);
    b.n = meshSize + hubs;
    for (int64_t h = 0; h < hubs; h++)
      for (int64_t k = 0; k < degree; k++) b.add(meshSize + h, random.below(meshSize));
    if (hubs > 1) b.add(meshSize, meshSize + 1);  // two hubs adjacent to each other
  } else if (kind == "powerlaw") {
    int64_t n = p(0), m = p(1);
    Random random(p(2));
    b.n = n;
    // Endpoint list: picking a random entry picks a vertex with probability
    // proportional to its degree.
    std::vector<int32_t> ends;
    ends.reserve(2 * n * m);
    for (int64_t v = 1; v < n; v++) {
      for (int64_t k = 0; k < m; k++) {
        int64_t u = ends.empty() ? 0 : ends[random.below(static_cast<int64_t>(ends.size()))];
        if (u == v) continue;
        b.add(v, u);
        ends.push_back(static_cast<int32_t>(u));
        ends.push_back(static_cast<int32_t>(v));
      }
    }
    shuffle(b, random);
  } else if (kind == "trust") {
    Random random(p(2));
    trust(b, p(0), p(1), random);
    shuffle(b, random);
  } else if (kind == "collab") {
    Random random(p(2));
    collab(b, p(0), p(1), random);
    shuffle(b, random);
  } else if (kind == "components") {
    Random random(p(3));
    components(b, p(0), p(1), p(2), random);
  } else if (kind == "path") {
    b.n = p(0);
    for (int64_t v = 0; v + 1 < b.n; v++) b.add(v, v + 1);
    if (argc > 4) {
      Random random(p(1));
      shuffle(b, random);
    }
  } else if (kind == "star") {
    b.n = p(0);
    for (int64_t v = 1; v < b.n; v++) b.add(0, v);
  } else if (kind == "complete") {
    b.n = p(0);
    for (int64_t v = 0; v < b.n; v++)
      for (int64_t u = v + 1; u < b.n; u++) b.add(v, u);
  } else if (kind == "copies") {
    int64_t copies = p(0), w = p(1), h = p(2);
    b.n = copies * w * h;
    for (int64_t c = 0; c < copies; c++) grid2d(b, c * w * h, w, h, 1, nullptr);
  } else if (kind == "caterpillar") {
    int64_t spine = p(0) / 2;
    b.n = 2 * spine;
    for (int64_t v = 0; v < spine; v++) {
      if (v + 1 < spine) b.add(v, v + 1);
      b.add(v, spine + v);
    }
  } else if (kind == "bintree") {
    b.n = p(0);
    for (int64_t v = 1; v < b.n; v++) b.add(v, (v - 1) / 2);
  } else {
    fail("unknown kind");
  }
  write(b, out);
  return 0;
}
