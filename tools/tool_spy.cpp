// plyxen spy: pictures of what an ordering does.
//
// The spy picture has three panels side by side: the sparsity pattern of
// the matrix in its original numbering; the same matrix reordered, with the
// column blocks of the ordering and its dissection separators marked; and
// the Cholesky factor of the reordered matrix, whose fill (the nonzeros of
// the factor that the matrix does not have) takes a second colour. The tree
// picture (--tree) draws the column-block tree: the assembly tree of the
// column blocks, each block as wide as its columns, the roots (the topmost
// separators) at the top.
//
// A matrix of few rows, or of few nonzeros, is drawn point by point. A
// larger one is drawn as a density image: rows and columns are gathered
// into at most 512 bins each (row i falls in bin i * bins / n) and every bin
// is shaded by its number of nonzeros on a logarithmic scale, so that the
// file size depends on the bins and not on the matrix. The count of every
// bin is written in the picture's metadata.
//
// Memory stays linear in the graph: the factor is never held entry by
// entry. Its columns are gathered into fundamental supernodes, over which
// the symbolic block factorization is the exact pattern of the factor; each
// of its blocks, a dense triangle on the diagonal or a dense rectangle below
// it, adds its count to the bins it covers in one step per bin.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "front/elimord.h"
#include "front/fill_stats.h"
#include "front/symbol.h"
#include "tool.h"

namespace {

const char* const usageSpy =
    "usage: plyxen spy GRAPH [ORDER] -o FILE.svg [-s STRATEGY] [--map-file MAP --tree-file TREE]\n"
    "                  [--bins N] [--tree] [--from FORMAT]\n"
    "\n"
    "Draws, as an SVG picture, the sparsity pattern of the matrix of GRAPH in\n"
    "its original order and in the new order, and the Cholesky factor of the\n"
    "reordered matrix with its fill in a second colour. The new order is the\n"
    "ordering file ORDER (as plyxen order -o writes it) or, without ORDER, the\n"
    "ordering computed with the default strategy or -s STRATEGY.\n"
    "\n"
    "The column blocks of the ordering and its dissection separators are\n"
    "marked when they are known: always for a computed ordering; with ORDER,\n"
    "when the column-block map file (--map-file, plyxen order --map) and tree\n"
    "file (--tree-file, plyxen order --tree) of that ordering are given (the\n"
    "map alone gives the column blocks; a tree file does not tell the blocks\n"
    "apart without its map).\n"
    "\n"
    "A matrix of at most N rows, or whose matrix and factor have at most\n"
    "10000 nonzeros each, is drawn point by point; a larger one as a density\n"
    "image of N x N bins shaded by their nonzero count on a logarithmic\n"
    "scale. The counts of every bin are written in the picture's metadata.\n"
    "\n"
    "  -o FILE.svg         the picture to write\n"
    "  -s STRATEGY         ordering strategy when no ORDER is given\n"
    "  --map-file MAP      column-block map file of ORDER\n"
    "  --tree-file TREE    column-block tree file of ORDER\n"
    "  --bins N            bins per side of a density image, 8 to 1024 (512)\n"
    "  --tree              draw the column-block tree instead: the assembly tree\n"
    "                      of the column blocks, each as wide as its columns,\n"
    "                      separators at the top\n";

constexpr GraphNum kDefaultBins = 512;
constexpr GraphNum kMinBins = 8;
constexpr GraphNum kMaxBins = 1024;
constexpr int64_t kPointEntries = 10000;  // panels of at most this many entries are drawn point by point

// ---------------------------------------------------------------------------
// Column blocks and separators

// Column blocks of an ordering and their tree, positions and blocks from 0.
struct ColumnBlocks {
  bool known = false;            // false: the ordering came without its blocks
  bool haveTree = false;         // false: the map was given without its tree
  std::vector<GraphNum> start;   // first position of every block, then n
  std::vector<GraphNum> father;  // father block of every block, or -1 for a root
  GraphNum count() const { return static_cast<GraphNum>(start.empty() ? 0 : start.size() - 1); }
};

// The separator of a dissection node with the parts numbered before it.
struct Separator {
  GraphNum partsStart;  // first position of the node's parts
  GraphNum first;       // first position of the separator
  GraphNum end;         // one past its last position
};

// A dissection node numbers both parts, then its separator, and the last
// block of the separator becomes the father of both parts' top blocks. So
// a block with sons ends a separator, which reaches back over the blocks
// just before it that share its father and have no sons (the separator's
// other blocks); the block before those ends the second part, whose father
// is the separator's last block itself. The parts start where the subtree
// of that last block starts.
std::vector<Separator> findSeparators(const ColumnBlocks& blocks) {
  std::vector<Separator> separators;
  if (!blocks.haveTree) return separators;
  const GraphNum count = blocks.count();
  std::vector<GraphNum> sons(count, 0);
  std::vector<GraphNum> subtreeStart(blocks.start.begin(), blocks.start.end() - (count > 0 ? 1 : 0));
  for (GraphNum k = 0; k < count; k++) {  // sons come before their fathers
    GraphNum father = blocks.father[k];
    if (father == -1) continue;
    sons[father]++;
    subtreeStart[father] = std::min(subtreeStart[father], subtreeStart[k]);
  }
  for (GraphNum last = 0; last < count; last++) {
    if (sons[last] == 0) continue;
    GraphNum first = last;
    while (first > 0 && blocks.father[first - 1] == blocks.father[last] && sons[first - 1] == 0) first--;
    separators.push_back({subtreeStart[last], blocks.start[first], blocks.start[last + 1]});
  }
  return separators;
}

// Blocks from the arrays of the library ordering (ranges and fathers in
// the graph's base).
void blocksFromOrdering(GraphNum base, GraphNum vertexCount, GraphNum count, const std::vector<PLYXEN_Num>& ranges,
                        const std::vector<PLYXEN_Num>& fathers, ColumnBlocks* blocks) {
  blocks->known = blocks->haveTree = true;
  if (vertexCount == 0) count = 0;
  blocks->start.assign(1, 0);
  blocks->father.clear();
  for (GraphNum k = 0; k < count; k++) {
    blocks->start.push_back(ranges[k + 1] - base);
    blocks->father.push_back(fathers[k] == -1 ? -1 : fathers[k] - base);
  }
}

// Reads one of the per-vertex files of an ordering (a count, then a vertex
// and a value per line) into value of every vertex.
int readVertexFile(const Graph* graph, const std::string& path, const char* kind, std::vector<GraphNum>* values) {
  FILE* stream = toolOpenInput(path, "spy");
  if (stream == nullptr) return 1;
  const GraphNum n = graph->vertexCount;
  GraphNum count;
  int status = 0;
  if (intLoad(stream, &count) != 1 || count != n) status = 1;
  values->assign(n, 0);
  for (GraphNum i = 0; status == 0 && i < n; i++) {
    GraphNum vertex;
    if (intLoad(stream, &vertex) != 1 || vertex != graph->base + i || intLoad(stream, &(*values)[i]) != 1)
      status = 2 + i;
  }
  fclose(stream);
  if (status == 1) errorPrint("plyxen spy: bad %s file \"%s\" (vertex count)", kind, path.c_str());
  if (status > 1) errorPrint("plyxen spy: bad %s file \"%s\" (line %d)", kind, path.c_str(), status);
  return status == 0 ? 0 : 1;
}

// Column blocks from the map file (block of every vertex, from 0) and the
// tree file (father of every vertex's block, in base, or -1) of an
// ordering: the blocks must be runs of positions numbered in order, and the
// vertices of one block must name one father, a later block.
int readColumnBlocks(const Graph* graph, const std::vector<PLYXEN_Num>& permutation, const std::string& mapPath,
                     const std::string& treePath, ColumnBlocks* blocks) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  std::vector<GraphNum> blockOf, fatherOf;
  if (readVertexFile(graph, mapPath, "column-block map", &blockOf) != 0) return 1;
  if (!treePath.empty() && readVertexFile(graph, treePath, "column-block tree", &fatherOf) != 0) return 1;
  std::vector<GraphNum> vertexAt(n);
  for (GraphNum v = 0; v < n; v++) vertexAt[permutation[v] - base] = v;
  blocks->known = true;
  blocks->haveTree = !treePath.empty();
  blocks->start.assign(1, 0);
  blocks->father.clear();
  for (GraphNum position = 0; position < n; position++) {
    GraphNum block = blockOf[vertexAt[position]];
    GraphNum current = static_cast<GraphNum>(blocks->father.size());  // blocks opened so far
    if (block == current) {                                           // a new block begins here
      if (position > 0) blocks->start.push_back(position);
      blocks->father.push_back(blocks->haveTree ? fatherOf[vertexAt[position]] : -1);
    } else if (block != current - 1 || position == 0) {
      errorPrint("plyxen spy: bad column-block map file \"%s\" (blocks are not runs of positions numbered in order)",
                 mapPath.c_str());
      return 1;
    }
    if (blocks->haveTree && fatherOf[vertexAt[position]] != blocks->father[block]) {
      errorPrint("plyxen spy: bad column-block tree file \"%s\" (one block, several fathers)", treePath.c_str());
      return 1;
    }
  }
  if (n > 0) blocks->start.push_back(n);
  for (GraphNum k = 0; k < blocks->count(); k++) {
    GraphNum& father = blocks->father[k];
    if (father != -1) father -= base;
    if (blocks->haveTree && father != -1 && (father <= k || father >= blocks->count())) {
      errorPrint("plyxen spy: bad column-block tree file \"%s\" (father of block %d)", treePath.c_str(), k);
      return 1;
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Bins

// Nonzero counts per bin of a square picture of a matrix of `size` rows cut
// into `bins` bins per side: row i falls in bin i * bins / size. Dense
// storage, or a hash table when every row is a bin of a large matrix that
// has few nonzeros.
class BinGrid {
 public:
  BinGrid(GraphNum size, GraphNum bins) : size_(size), bins_(bins) {
    if (bins <= kMaxBins) dense_.assign(static_cast<size_t>(bins) * bins, 0);
  }
  GraphNum bins() const { return bins_; }
  GraphNum binOf(GraphNum row) const { return static_cast<GraphNum>(static_cast<int64_t>(row) * bins_ / size_); }
  // First row of a bin (the bin past the last gives size).
  GraphNum binStart(GraphNum bin) const {
    return static_cast<GraphNum>((static_cast<int64_t>(bin) * size_ + bins_ - 1) / bins_);
  }
  void add(GraphNum row, GraphNum column, int64_t count) { addToBin(binOf(row), binOf(column), count); }
  void addToBin(GraphNum rowBin, GraphNum columnBin, int64_t count) {
    int64_t key = static_cast<int64_t>(rowBin) * bins_ + columnBin;
    if (dense_.empty())
      sparse_[key] += count;
    else
      dense_[key] += count;
  }
  int64_t at(int64_t key) const {
    if (!dense_.empty()) return dense_[key];
    auto found = sparse_.find(key);
    return found == sparse_.end() ? 0 : found->second;
  }
  // Every entry of rows [firstRow, lastRow] x columns [firstColumn, lastColumn].
  void addRectangle(GraphNum firstRow, GraphNum lastRow, GraphNum firstColumn, GraphNum lastColumn) {
    forBinPairs(firstRow, lastRow, firstColumn, lastColumn,
                [](GraphNum rowLow, GraphNum rowHigh, GraphNum columnLow, GraphNum columnHigh) {
                  return static_cast<int64_t>(rowHigh - rowLow + 1) * (columnHigh - columnLow + 1);
                });
  }
  // The entries on and below the diagonal of the square [first, last]^2.
  void addLowerTriangle(GraphNum first, GraphNum last) { forBinPairs(first, last, first, last, lowerPairs); }
  // Keys of the nonzero bins in row-major order.
  std::vector<int64_t> nonzeroKeys() const {
    std::vector<int64_t> keys;
    if (!dense_.empty()) {
      for (size_t key = 0; key < dense_.size(); key++)
        if (dense_[key] != 0) keys.push_back(static_cast<int64_t>(key));
    } else {
      for (const auto& [key, count] : sparse_)
        if (count != 0) keys.push_back(key);
      std::sort(keys.begin(), keys.end());
    }
    return keys;
  }

 private:
  // Pairs (i, j) with j in [columnLow, columnHigh], i in [rowLow, rowHigh]
  // and i >= j: every column up to rowLow sees the whole row range, a later
  // one the rows from itself on.
  static int64_t lowerPairs(GraphNum rowLow, GraphNum rowHigh, GraphNum columnLow, GraphNum columnHigh) {
    if (rowHigh < rowLow) return 0;
    int64_t total = 0;
    int64_t fullColumns = static_cast<int64_t>(std::min(columnHigh, rowLow)) - columnLow + 1;
    if (fullColumns > 0) total += fullColumns * (rowHigh - rowLow + 1);
    int64_t low = std::max(columnLow, rowLow + 1), high = std::min(columnHigh, rowHigh);
    if (low <= high) total += (high - low + 1) * (rowHigh + 1) - (low + high) * (high - low + 1) / 2;
    return total;
  }
  // Calls count on the part of the row and column ranges inside every pair
  // of bins they meet, adding the results.
  template <typename Count>
  void forBinPairs(GraphNum firstRow, GraphNum lastRow, GraphNum firstColumn, GraphNum lastColumn, Count count) {
    for (GraphNum rowBin = binOf(firstRow); rowBin <= binOf(lastRow); rowBin++) {
      GraphNum rowLow = std::max(firstRow, binStart(rowBin));
      GraphNum rowHigh = std::min(lastRow, binStart(rowBin + 1) - 1);
      for (GraphNum columnBin = binOf(firstColumn); columnBin <= binOf(lastColumn) && columnBin <= rowBin;
           columnBin++) {
        GraphNum columnLow = std::max(firstColumn, binStart(columnBin));
        GraphNum columnHigh = std::min(lastColumn, binStart(columnBin + 1) - 1);
        int64_t entries = count(rowLow, rowHigh, columnLow, columnHigh);
        if (entries > 0) addToBin(rowBin, columnBin, entries);
      }
    }
  }

  GraphNum size_;
  GraphNum bins_;
  std::vector<int64_t> dense_;
  std::unordered_map<int64_t, int64_t> sparse_;
};

// The matrix in the numbering given by positionOf (vertex from 0 -> row
// from 0, or null for the original numbering), diagonal included; with
// lowerOnly, only its entries on and below the diagonal.
void binMatrix(const Graph* graph, const GraphNum* positionOf, bool lowerOnly, BinGrid* grid) {
  const GraphNum base = graph->base;
  for (GraphNum v = 0; v < graph->vertexCount; v++) {
    GraphNum row = (positionOf != nullptr) ? positionOf[v] : v;
    grid->add(row, row, 1);
    for (GraphNum arc = graph->edgeBegin[base + v]; arc < graph->edgeEnd[base + v]; arc++) {
      GraphNum u = graph->edgeTarget[arc] - base;
      GraphNum column = (positionOf != nullptr) ? positionOf[u] : u;
      if (!lowerOnly || column < row) grid->add(row, column, 1);
    }
  }
}

// The factor, diagonal included, from the symbolic block factorization over
// the fundamental supernodes, given the permutation (vertex -> position in
// base, only read) and the elimination tree and column counts of the fill
// counter. Returns 0 or 1.
int binFactor(const Graph* graph, GraphNum* permutation, const GraphNum* parent, const GraphNum* columnCounts,
              BinGrid* grid) {
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  if (n == 0) return 0;
  GraphNum supernodeCount;
  std::vector<GraphNum> starts(static_cast<size_t>(n) + 1);
  if (fillStatsSupernodes(n, parent, columnCounts, &supernodeCount, starts.data()) != 0) return 1;
  std::vector<GraphNum> ranges(supernodeCount + 1);
  for (GraphNum k = 0; k <= supernodeCount; k++) ranges[k] = base + starts[k];
  starts = std::vector<GraphNum>();
  std::vector<GraphNum> inversePermutation(n);
  for (GraphNum v = 0; v < n; v++) inversePermutation[permutation[v] - base] = base + v;
  InterfaceOrder order{supernodeCount, ranges.data(), permutation, inversePermutation.data()};
  SymbolMatrix symbol;
  symbolInit(&symbol);
  if (symbolFax(&symbol, graph, &order) != 0) return 1;
  for (GraphNum k = base; k < base + symbol.columnBlockCount; k++) {
    const SymbolColumnBlock& columnBlock = symbol.columnBlockArray[k];
    GraphNum first = columnBlock.firstColumn - base, last = columnBlock.lastColumn - base;
    grid->addLowerTriangle(first, last);
    for (GraphNum b = columnBlock.firstBlock + 1; b < symbol.columnBlockArray[k + 1].firstBlock; b++)
      grid->addRectangle(symbol.blockArray[b].firstRow - base, symbol.blockArray[b].lastRow - base, first, last);
  }
  symbolExit(&symbol);
  return 0;
}

// ---------------------------------------------------------------------------
// SVG writing

constexpr int kLevels = 8;  // shades of a density image
const char* const kMatrixShades[kLevels] = {"#c6dbef", "#9ecae1", "#6baed6", "#4292c6",
                                            "#2171b5", "#08519c", "#08306b", "#041f45"};
const char* const kFillShades[kLevels] = {"#fdd0a2", "#fdae6b", "#fd8d3c", "#f16913",
                                          "#d94801", "#a63603", "#7f2704", "#4d1702"};
const char* const kMatrixPoint = "#2171b5";
const char* const kFillPoint = "#e6550d";
const char* const kSeparatorColour = "#2ca02c";
const char* const kBlockColour = "#8c8c8c";
const char* const kFont = "font-family=\"sans-serif\"";

std::string escapeXml(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// 1234567 -> "1,234,567".
std::string grouped(int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string text;
  for (size_t i = 0; i < digits.size(); i++) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return (value < 0 ? "-" : "") + text;
}

std::string operationCount(double opc) {
  char text[64];
  if (opc < 1e6)
    snprintf(text, sizeof(text), "%s", grouped(static_cast<int64_t>(opc)).c_str());
  else
    snprintf(text, sizeof(text), "%.3ge%d", opc / std::pow(10.0, std::floor(std::log10(opc))),
             static_cast<int>(std::floor(std::log10(opc))));
  return text;
}

std::string exactNumber(double value) {
  char text[64];
  snprintf(text, sizeof(text), "%.0f", value);
  return text;
}

// Shade of a count on the logarithmic scale of a panel whose largest
// count is maximum: 0 for a count of 1, kLevels - 1 for the maximum.
int shadeOf(int64_t count, int64_t maximum) {
  if (maximum <= 1) return kLevels - 1;
  double fraction = std::log(static_cast<double>(count)) / std::log(static_cast<double>(maximum));
  return std::min(kLevels - 1, static_cast<int>(fraction * kLevels));
}

// Cells of one colour gathered into runs along the rows and written as the
// strokes of one path, a run after another of the same row as a relative
// move, so that a picture of many bins stays small.
class RunPath {
 public:
  void setCellSize(double size) { cellSize_ = size; }
  // Adds the cell at (row, column); cells come in row-major order.
  void add(GraphNum row, GraphNum column) {
    if (open_ && row == row_ && column == end_) {
      end_++;
      return;
    }
    flush();
    open_ = true;
    row_ = row;
    begin_ = column;
    end_ = column + 1;
  }
  void write(FILE* stream, const char* colour) {
    flush();
    if (!path_.empty())
      fprintf(stream, "<path stroke=\"%s\" stroke-width=\"%g\" fill=\"none\" d=\"%s\"/>\n", colour, cellSize_,
              path_.c_str());
  }

 private:
  void flush() {
    if (!open_) return;
    char text[96];
    double length = (end_ - begin_ - 1) + cellSize_;
    if (row_ == lastRow_)
      snprintf(text, sizeof(text), "m%g 0h%g", begin_ - lastEnd_, length);
    else
      snprintf(text, sizeof(text), "M%d %gh%g", begin_, row_ + 0.5 * cellSize_, length);
    path_ += text;
    lastRow_ = row_;
    lastEnd_ = begin_ + length;
    open_ = false;
  }
  std::string path_;
  bool open_ = false;
  GraphNum row_ = 0, begin_ = 0, end_ = 0;
  GraphNum lastRow_ = -1;  // row and end of the last run written
  double lastEnd_ = 0.0;
  double cellSize_ = 1.0;
};

// What one panel shows.
struct Panel {
  const char* name;  // metadata name
  const char* caption;
  const BinGrid* grid;   // nonzeros per bin
  const BinGrid* lower;  // for the factor: the matrix's own entries, whose difference is the fill; or null
  bool marked;           // column blocks and separators drawn over it
};

struct Figures {
  GraphNum vertices = 0;
  int64_t edges = 0;
  int64_t nnzL = 0;
  double opc = 0.0;
  GraphNum treeHeight = 0;
};

struct Picture {
  std::string graphName;
  std::string orderingText;  // how the ordering was obtained
  Figures figures;
  GraphNum bins = 0;  // bins per side; equal to the vertex count when drawn point by point
  bool points = false;
  const ColumnBlocks* blocks = nullptr;
  std::vector<Separator> separators;
};

constexpr double kPanelSize = 512.0;
constexpr double kMargin = 24.0;
constexpr double kGap = 56.0;
constexpr double kPanelTop = 112.0;

std::string figuresLine(const Picture& picture) {
  const Figures& figures = picture.figures;
  std::string line = "n = " + grouped(figures.vertices) + "   nnz = " + grouped(figures.vertices + 2 * figures.edges) +
                     " (" + grouped(figures.edges) + " edges)   nnzL = " + grouped(figures.nnzL) +
                     " (below the diagonal)   opc = " + operationCount(figures.opc);
  if (picture.blocks->known) line += "   column blocks = " + grouped(picture.blocks->count());
  if (picture.blocks->haveTree) line += "   separators = " + grouped(static_cast<int64_t>(picture.separators.size()));
  return line;
}

void writeHeader(FILE* stream, double width, double height, const Picture& picture, const std::string& title) {
  fprintf(stream,
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\">\n"
          "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
          width, height, width, height);
  fprintf(stream, "<text x=\"%g\" y=\"30\" %s font-size=\"17\" font-weight=\"bold\">%s</text>\n", kMargin, kFont,
          escapeXml(title).c_str());
  fprintf(stream, "<text x=\"%g\" y=\"54\" %s font-size=\"14\">%s</text>\n", kMargin, kFont,
          escapeXml(figuresLine(picture)).c_str());
  fprintf(stream, "<text x=\"%g\" y=\"74\" %s font-size=\"12\" fill=\"#555\">%s</text>\n", kMargin, kFont,
          escapeXml(picture.orderingText).c_str());
}

constexpr double kTickPixels = 2.0;  // blocks narrower than this get no boundary ticks

// Pixel of position p along a panel side.
double pixelOf(GraphNum position, GraphNum n) { return kPanelSize * position / std::max<GraphNum>(n, 1); }

// Column-block boundaries as ticks over the panel (one per pixel column) and
// wide blocks outlined on the diagonal; separators as squares on the
// diagonal, tinted.
void writeMarks(FILE* stream, double left, const Picture& picture) {
  const GraphNum n = picture.figures.vertices;
  const ColumnBlocks& blocks = *picture.blocks;
  if (blocks.known && n > 0) {
    std::string ticks, outlines;
    long lastPixel = -1;
    char text[128];
    for (GraphNum k = 0; k < blocks.count(); k++) {
      double begin = pixelOf(blocks.start[k], n), end = pixelOf(blocks.start[k + 1], n);
      // A boundary is ticked when a block on either side of it is wide
      // enough to show: ticks of blocks narrower than a pixel would only
      // blacken the ruler.
      bool wideBefore = k > 0 && begin - pixelOf(blocks.start[k - 1], n) >= kTickPixels;
      if (k > 0 && (wideBefore || end - begin >= kTickPixels) && std::lround(begin) != lastPixel) {
        lastPixel = std::lround(begin);
        snprintf(text, sizeof(text), "M%.1f %.1fv7", left + begin, kPanelTop - 8.0);
        ticks += text;
      }
      if (end - begin >= 4.0) {
        snprintf(text, sizeof(text), "M%.1f %.1fh%.1fv%.1fh%.1fz", left + begin, kPanelTop + begin, end - begin,
                 end - begin, begin - end);
        outlines += text;
      }
    }
    if (!ticks.empty())
      fprintf(stream, "<path stroke=\"%s\" stroke-width=\"1\" fill=\"none\" d=\"%s\"/>\n", kBlockColour, ticks.c_str());
    if (!outlines.empty())
      fprintf(stream, "<path stroke=\"%s\" stroke-width=\"0.6\" fill=\"none\" d=\"%s\"/>\n", kBlockColour,
              outlines.c_str());
  }
  // Every separator of at least half a pixel also as a bar beside the
  // panel over its rows, at least a pixel high, so that the narrow ones
  // show too.
  std::string squares, bars;
  char text[128];
  for (const Separator& separator : picture.separators) {
    double begin = pixelOf(separator.first, n), end = pixelOf(separator.end, n);
    if (end - begin >= 0.5 || picture.points) {
      snprintf(text, sizeof(text), "M%.1f %.1fh5v%.1fh-5z", left + kPanelSize + 3.0, kPanelTop + begin,
               std::max(1.0, end - begin));
      bars += text;
    }
    if (end - begin < 2.0 && !picture.points) continue;
    snprintf(text, sizeof(text), "M%.1f %.1fh%.1fv%.1fh%.1fz", left + begin, kPanelTop + begin, end - begin,
             end - begin, begin - end);
    squares += text;
  }
  if (!squares.empty())
    fprintf(stream, "<path stroke=\"%s\" stroke-width=\"1.2\" fill=\"%s\" fill-opacity=\"0.15\" d=\"%s\"/>\n",
            kSeparatorColour, kSeparatorColour, squares.c_str());
  if (!bars.empty()) fprintf(stream, "<path fill=\"%s\" d=\"%s\"/>\n", kSeparatorColour, bars.c_str());
}

// One panel: its caption, frame, cells, marks and scale.
void writePanel(FILE* stream, double left, const Panel& panel, const Picture& picture) {
  const BinGrid& grid = *panel.grid;
  std::vector<int64_t> keys = grid.nonzeroKeys();
  int64_t maximum = 0;
  for (int64_t key : keys) maximum = std::max(maximum, grid.at(key));
  fprintf(stream, "<text x=\"%g\" y=\"%g\" %s font-size=\"14\">%s</text>\n", left, kPanelTop - 14.0, kFont,
          panel.caption);
  fprintf(stream, "<g id=\"%s\">\n", panel.name);
  fprintf(stream, "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"#bbb\"/>\n", left,
          kPanelTop, kPanelSize, kPanelSize);
  if (picture.bins > 0) {
    // Cells in bin units; points of a matrix larger than the panel are
    // drawn a pixel wide so that they stay visible.
    const double scale = kPanelSize / picture.bins;
    const double cellSize = picture.points ? std::max(1.0, picture.bins / kPanelSize) : 1.0;
    fprintf(stream, "<g transform=\"translate(%g %g) scale(%.9g)\" shape-rendering=\"crispEdges\">\n", left, kPanelTop,
            scale);
    RunPath matrixRuns[kLevels], fillRuns[kLevels];
    for (int level = 0; level < kLevels; level++) {
      matrixRuns[level].setCellSize(cellSize);
      fillRuns[level].setCellSize(cellSize);
    }
    for (int64_t key : keys) {
      int64_t count = grid.at(key);
      int64_t fill = (panel.lower != nullptr) ? count - panel.lower->at(key) : 0;
      int level = picture.points ? kLevels - 1 : shadeOf(count, maximum);
      // A bin of the factor takes the fill colour when most of it is fill.
      RunPath& runs = (2 * fill > count) ? fillRuns[level] : matrixRuns[level];
      runs.add(static_cast<GraphNum>(key / grid.bins()), static_cast<GraphNum>(key % grid.bins()));
    }
    for (int level = 0; level < kLevels; level++) {
      matrixRuns[level].write(stream, picture.points ? kMatrixPoint : kMatrixShades[level]);
      fillRuns[level].write(stream, picture.points ? kFillPoint : kFillShades[level]);
    }
    fprintf(stream, "</g>\n");
  }
  if (panel.marked) writeMarks(stream, left, picture);
  fprintf(stream, "</g>\n");
  // Shade scale below the panel.
  double y = kPanelTop + kPanelSize + 14.0;
  if (picture.points || maximum == 0) {
    fprintf(stream, "<text x=\"%g\" y=\"%g\" %s font-size=\"12\" fill=\"#555\">one square per nonzero</text>\n", left,
            y + 10.0, kFont);
    return;
  }
  fprintf(stream, "<text x=\"%g\" y=\"%g\" %s font-size=\"12\" fill=\"#555\">nonzeros per bin: 1</text>\n", left,
          y + 10.0, kFont);
  for (int level = 0; level < kLevels; level++) {
    fprintf(stream, "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"12\" fill=\"%s\"/>\n", left + 128.0 + 15.0 * level,
            y, kMatrixShades[level]);
    if (panel.lower != nullptr)
      fprintf(stream, "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"12\" fill=\"%s\"/>\n", left + 128.0 + 15.0 * level,
              y + 14.0, kFillShades[level]);
  }
  fprintf(stream, "<text x=\"%g\" y=\"%g\" %s font-size=\"12\" fill=\"#555\">%s (log scale)</text>\n",
          left + 128.0 + 15.0 * kLevels + 6.0, y + 10.0, kFont, grouped(maximum).c_str());
}

// The counts of every nonzero bin, row by row: "row:column=count,count ..."
// for the runs of consecutive bins of a row, rows separated by ";"; a bin
// of the factor with fill reads "count/fill".
void writeCounts(FILE* stream, const Panel& panel) {
  const BinGrid& grid = *panel.grid;
  int64_t total = 0, fillTotal = 0;
  std::vector<int64_t> keys = grid.nonzeroKeys();
  for (int64_t key : keys) {
    total += grid.at(key);
    if (panel.lower != nullptr) fillTotal += grid.at(key) - panel.lower->at(key);
  }
  fprintf(stream, "<plyxen:panel name=\"%s\" total=\"%lld\"", panel.name, static_cast<long long>(total));
  if (panel.lower != nullptr) fprintf(stream, " fill=\"%lld\"", static_cast<long long>(fillTotal));
  fprintf(stream, ">");
  int64_t previous = -2;
  for (size_t i = 0; i < keys.size(); i++) {
    int64_t key = keys[i];
    GraphNum row = static_cast<GraphNum>(key / grid.bins()), column = static_cast<GraphNum>(key % grid.bins());
    if (i == 0 || row != keys[i - 1] / grid.bins())
      fprintf(stream, "%s%d:%d=", i == 0 ? "" : ";", row, column);
    else if (key == previous + 1)
      fputc(',', stream);
    else
      fprintf(stream, " %d=", column);
    fprintf(stream, "%lld", static_cast<long long>(grid.at(key)));
    int64_t fill = (panel.lower != nullptr) ? grid.at(key) - panel.lower->at(key) : 0;
    if (fill != 0) fprintf(stream, "/%lld", static_cast<long long>(fill));
    previous = key;
  }
  fprintf(stream, "</plyxen:panel>\n");
}

void writeFigureAttributes(FILE* stream, const Picture& picture) {
  const Figures& figures = picture.figures;
  fprintf(stream, " vertices=\"%d\" edges=\"%lld\" nnz=\"%lld\" nnzL=\"%lld\" opc=\"%s\"", figures.vertices,
          static_cast<long long>(figures.edges), static_cast<long long>(figures.vertices + 2 * figures.edges),
          static_cast<long long>(figures.nnzL), exactNumber(figures.opc).c_str());
  if (picture.blocks->known) fprintf(stream, " blocks=\"%d\"", picture.blocks->count());
}

void writeSeparatorList(FILE* stream, const Picture& picture) {
  if (!picture.blocks->haveTree) return;
  fprintf(stream, "<plyxen:separators count=\"%zu\">", picture.separators.size());
  for (size_t i = 0; i < picture.separators.size(); i++)
    fprintf(stream, "%s%d:%d:%d", i == 0 ? "" : ";", picture.separators[i].partsStart, picture.separators[i].first,
            picture.separators[i].end);
  fprintf(stream, "</plyxen:separators>\n");
}

void writeLegendItem(FILE* stream, double x, double y, const std::string& swatch, const char* text) {
  fprintf(stream, "%s\n<text x=\"%g\" y=\"%g\" %s font-size=\"13\">%s</text>\n", swatch.c_str(), x + 22.0, y + 11.0,
          kFont, text);
}

void writeSpy(FILE* stream, const Picture& picture, const Panel (&panels)[3]) {
  const double width = 2.0 * kMargin + 3.0 * kPanelSize + 2.0 * kGap;
  const double legendTop = kPanelTop + kPanelSize + 54.0;
  const double height = legendTop + 40.0;
  writeHeader(stream, width, height, picture, "plyxen spy: " + picture.graphName);
  for (int i = 0; i < 3; i++) writePanel(stream, kMargin + i * (kPanelSize + kGap), panels[i], picture);

  char swatch[256];
  double x = kMargin;
  snprintf(swatch, sizeof(swatch), "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"14\" fill=\"%s\"/>", x, legendTop,
           picture.points ? kMatrixPoint : kMatrixShades[5]);
  writeLegendItem(stream, x, legendTop, swatch, "nonzero of the matrix");
  x += 230.0;
  snprintf(swatch, sizeof(swatch), "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"14\" fill=\"%s\"/>", x, legendTop,
           picture.points ? kFillPoint : kFillShades[5]);
  writeLegendItem(stream, x, legendTop, swatch,
                  picture.points ? "fill: nonzero of the factor only" : "fill: bins of the factor mostly fill");
  x += 310.0;
  snprintf(swatch, sizeof(swatch),
           "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"14\" fill=\"%s\" fill-opacity=\"0.15\" stroke=\"%s\"/>", x,
           legendTop, kSeparatorColour, kSeparatorColour);
  writeLegendItem(stream, x, legendTop, swatch,
                  picture.blocks->haveTree ? "dissection separator" : "dissection separators: not known");
  x += 270.0;
  snprintf(swatch, sizeof(swatch), "<path stroke=\"%s\" d=\"M%g %gv14M%g %gv14\"/>", kBlockColour, x + 3.0, legendTop,
           x + 10.0, legendTop);
  writeLegendItem(stream, x, legendTop, swatch,
                  picture.blocks->known ? "column-block boundaries (ticks, wide blocks outlined)"
                                        : "column blocks: not known (give --map-file)");

  fprintf(stream, "<metadata>\n<plyxen:spy xmlns:plyxen=\"urn:plyxen:spy\" graph=\"%s\"",
          escapeXml(picture.graphName).c_str());
  writeFigureAttributes(stream, picture);
  fprintf(stream, " bins=\"%d\" mode=\"%s\">\n", picture.bins, picture.points ? "points" : "density");
  for (const Panel& panel : panels) writeCounts(stream, panel);
  writeSeparatorList(stream, picture);
  fprintf(stream, "</plyxen:spy>\n</metadata>\n</svg>\n");
}

// ---------------------------------------------------------------------------
// The column-block tree

constexpr double kTreeWidth = 1200.0;
constexpr double kTreeTop = 100.0;
constexpr double kTreeHeight = 560.0;
constexpr double kTreeMinPixels = 2.0;  // a subtree narrower than this is drawn as one collapsed mark
constexpr GraphNum kTreeMaxDepth = 200;

// Each block k owns a slice of the width as wide as the columns of its
// subtree; its sons share the slice in block order and the block sits
// centred over it, as wide as its own columns. Roots share the whole width.
void writeTree(FILE* stream, const Picture& picture) {
  const ColumnBlocks& blocks = *picture.blocks;
  const GraphNum count = blocks.count();
  const GraphNum n = picture.figures.vertices;
  const double scale = kTreeWidth / std::max<GraphNum>(n, 1);

  std::vector<GraphNum> sonStart(count + 1, 0), sons(count), columns(count), subtreeBlocks(count, 1), depth(count);
  std::vector<double> offset(count, 0.0);
  for (GraphNum k = 0; k < count; k++) {
    columns[k] = blocks.start[k + 1] - blocks.start[k];
    if (blocks.father[k] != -1) sonStart[blocks.father[k] + 1]++;
  }
  for (GraphNum k = 0; k < count; k++) sonStart[k + 1] += sonStart[k];
  {
    std::vector<GraphNum> fillAt(sonStart.begin(), sonStart.end() - 1);
    for (GraphNum k = 0; k < count; k++)
      if (blocks.father[k] != -1) sons[fillAt[blocks.father[k]]++] = k;
  }
  for (GraphNum k = 0; k < count; k++)  // sons before fathers
    if (blocks.father[k] != -1) {
      columns[blocks.father[k]] += columns[k];
      subtreeBlocks[blocks.father[k]] += subtreeBlocks[k];
    }
  std::vector<GraphNum>& subtreeColumns = columns;  // from here on
  double rootOffset = 0.0;
  for (GraphNum k = 0; k < count; k++)
    if (blocks.father[k] == -1) {
      offset[k] = rootOffset;
      rootOffset += subtreeColumns[k];
    }
  for (GraphNum k = count - 1; k >= 0; k--) {  // fathers before sons
    depth[k] = (blocks.father[k] == -1) ? 0 : depth[blocks.father[k]] + 1;
    double next = offset[k];
    for (GraphNum s = sonStart[k]; s < sonStart[k + 1]; s++) {
      offset[sons[s]] = next;
      next += subtreeColumns[sons[s]];
    }
  }
  std::vector<char> drawn(count, 0), isSeparator(count, 0);
  GraphNum drawnDepth = 0, drawnCount = 0;
  for (GraphNum k = count - 1; k >= 0; k--) {
    drawn[k] = subtreeColumns[k] * scale >= kTreeMinPixels && depth[k] <= kTreeMaxDepth &&
               (blocks.father[k] == -1 || drawn[blocks.father[k]]);
    if (drawn[k]) drawnDepth = std::max(drawnDepth, depth[k]), drawnCount++;
  }
  for (const Separator& separator : picture.separators)
    for (GraphNum k =
             std::upper_bound(blocks.start.begin(), blocks.start.end(), separator.first) - blocks.start.begin() - 1;
         k < count && blocks.start[k] < separator.end; k++)
      isSeparator[k] = 1;

  // Collapsed marks: runs of consecutive undrawn sons of a drawn block (or
  // of undrawn roots), each standing for the blocks of their subtrees.
  struct Mark {
    GraphNum father;  // -1 for roots
    GraphNum depth;
    double begin, end;
    GraphNum blocks, columns;
  };
  std::vector<Mark> marks;
  auto collapse = [&](GraphNum father, GraphNum markDepth, const GraphNum* members, GraphNum memberCount) {
    for (GraphNum i = 0; i < memberCount; i++) {
      GraphNum k = members[i];
      if (drawn[k]) continue;
      bool extends = !marks.empty() && marks.back().father == father && marks.back().end == offset[k] && i > 0 &&
                     !drawn[members[i - 1]];
      if (!extends) marks.push_back({father, markDepth, offset[k], offset[k], 0, 0});
      marks.back().end = offset[k] + subtreeColumns[k];
      marks.back().blocks += subtreeBlocks[k];
      marks.back().columns += subtreeColumns[k];
    }
  };
  {
    std::vector<GraphNum> roots;
    for (GraphNum k = 0; k < count; k++)
      if (blocks.father[k] == -1) roots.push_back(k);
    collapse(-1, 0, roots.data(), static_cast<GraphNum>(roots.size()));
  }
  for (GraphNum k = 0; k < count; k++)
    if (drawn[k]) collapse(k, depth[k] + 1, sons.data() + sonStart[k], sonStart[k + 1] - sonStart[k]);
  GraphNum levels = drawnDepth + 1;
  for (const Mark& mark : marks) levels = std::max(levels, mark.depth + 1);

  const double levelHeight = std::min(44.0, kTreeHeight / std::max<GraphNum>(levels, 1));
  const double boxHeight = std::max(2.0, 0.55 * levelHeight);
  auto centreOf = [&](GraphNum k) { return kMargin + (offset[k] + 0.5 * subtreeColumns[k]) * scale; };
  auto topOf = [&](GraphNum blockDepth) { return kTreeTop + blockDepth * levelHeight; };

  const double height = kTreeTop + levels * levelHeight + 70.0;
  writeHeader(stream, kTreeWidth + 2.0 * kMargin, height, picture,
              "plyxen spy --tree: column-block tree of " + picture.graphName);
  std::string edges, separatorBoxes[2], plainBoxes[2], markBoxes;  // [1]: boxes wide enough for an outline
  char text[160];
  for (GraphNum k = 0; k < count; k++) {
    if (!drawn[k]) continue;
    double width = std::max(1.5, (blocks.start[k + 1] - blocks.start[k]) * scale);
    double centre = centreOf(k), top = topOf(depth[k]);
    snprintf(text, sizeof(text), "M%.2f %.2fh%.2fv%.2fh%.2fz", centre - 0.5 * width, top, width, boxHeight, -width);
    (isSeparator[k] ? separatorBoxes : plainBoxes)[width >= 4.0 ? 1 : 0] += text;
    if (blocks.father[k] != -1) {
      snprintf(text, sizeof(text), "M%.2f %.2fL%.2f %.2f", centre, top, centreOf(blocks.father[k]),
               topOf(depth[blocks.father[k]]) + boxHeight);
      edges += text;
    }
  }
  for (const Mark& mark : marks) {
    double left = kMargin + mark.begin * scale, width = std::max(1.0, (mark.end - mark.begin) * scale);
    double top = topOf(mark.depth);
    snprintf(text, sizeof(text), "M%.2f %.2fh%.2fv%.2fh%.2fz", left, top, width, 0.6 * boxHeight, -width);
    markBoxes += text;
    if (mark.father != -1) {
      snprintf(text, sizeof(text), "M%.2f %.2fL%.2f %.2f", left + 0.5 * width, top, centreOf(mark.father),
               topOf(depth[mark.father]) + boxHeight);
      edges += text;
    }
  }
  if (!edges.empty())
    fprintf(stream, "<path stroke=\"#999\" stroke-width=\"0.7\" fill=\"none\" d=\"%s\"/>\n", edges.c_str());
  if (!markBoxes.empty()) fprintf(stream, "<path fill=\"#c8c8c8\" d=\"%s\"/>\n", markBoxes.c_str());
  // A thin white outline keeps neighbouring wide blocks apart.
  for (int wide = 0; wide < 2; wide++) {
    const char* outline = wide ? " stroke=\"white\" stroke-width=\"0.5\"" : "";
    if (!plainBoxes[wide].empty())
      fprintf(stream, "<path fill=\"%s\"%s d=\"%s\"/>\n", kMatrixShades[4], outline, plainBoxes[wide].c_str());
    if (!separatorBoxes[wide].empty())
      fprintf(stream, "<path fill=\"%s\"%s d=\"%s\"/>\n", kSeparatorColour, outline, separatorBoxes[wide].c_str());
  }

  const double legendTop = kTreeTop + levels * levelHeight + 30.0;
  char swatch[200];
  double x = kMargin;
  snprintf(swatch, sizeof(swatch), "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"14\" fill=\"%s\"/>", x, legendTop,
           kSeparatorColour);
  writeLegendItem(stream, x, legendTop, swatch, "separator block");
  x += 170.0;
  snprintf(swatch, sizeof(swatch), "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"14\" fill=\"%s\"/>", x, legendTop,
           kMatrixShades[4]);
  writeLegendItem(stream, x, legendTop, swatch, "other column block (width: its columns)");
  x += 330.0;
  snprintf(swatch, sizeof(swatch), "<rect x=\"%g\" y=\"%g\" width=\"14\" height=\"8\" fill=\"#c8c8c8\"/>", x,
           legendTop + 3.0);
  writeLegendItem(stream, x, legendTop, swatch, "subtrees too narrow to draw, collapsed");
  fprintf(stream, "<text x=\"%g\" y=\"%g\" %s font-size=\"13\" fill=\"#555\">%d blocks drawn, depth %d</text>\n",
          x + 330.0, legendTop + 11.0, kFont, drawnCount, levels);

  fprintf(stream, "<metadata>\n<plyxen:tree xmlns:plyxen=\"urn:plyxen:spy\" graph=\"%s\"",
          escapeXml(picture.graphName).c_str());
  writeFigureAttributes(stream, picture);
  fprintf(stream, " drawn=\"%d\" levels=\"%d\">\n", drawnCount, levels);
  // Drawn blocks as "block:first column:width:depth:father", collapsed marks
  // as "father:blocks:columns".
  fprintf(stream, "<plyxen:blocks>");
  bool first = true;
  for (GraphNum k = 0; k < count; k++) {
    if (!drawn[k]) continue;
    fprintf(stream, "%s%d:%d:%d:%d:%d", first ? "" : ";", k, blocks.start[k], blocks.start[k + 1] - blocks.start[k],
            depth[k], blocks.father[k]);
    first = false;
  }
  fprintf(stream, "</plyxen:blocks>\n<plyxen:collapsed>");
  for (size_t i = 0; i < marks.size(); i++)
    fprintf(stream, "%s%d:%d:%d", i == 0 ? "" : ";", marks[i].father, marks[i].blocks, marks[i].columns);
  fprintf(stream, "</plyxen:collapsed>\n");
  writeSeparatorList(stream, picture);
  fprintf(stream, "</plyxen:tree>\n</metadata>\n</svg>\n");
}

struct StrategyHandle {
  PLYXEN_Strat strat;
  StrategyHandle() { PLYXEN_stratInit(&strat); }
  ~StrategyHandle() { PLYXEN_stratExit(&strat); }
};

std::string baseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int toolSpy(int argc, char** argv) {
  std::string outputPath, strategy, mapPath, treePath, binsText, fromName;
  bool treePicture = false, help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("spy", argc, argv,
                       {{"-o", &outputPath, nullptr},
                        {"-s", &strategy, nullptr},
                        {"--map-file", &mapPath, nullptr},
                        {"--tree-file", &treePath, nullptr},
                        {"--bins", &binsText, nullptr},
                        {"--tree", nullptr, &treePicture},
                        {"--from", &fromName, nullptr}},
                       &positional, &help) != 0)
    return 1;
  if (help) {
    fputs(usageSpy, stdout);
    return 0;
  }
  if (positional.empty() || positional.size() > 2) {
    errorPrint("plyxen spy: a graph file and optionally an ordering file expected (plyxen spy --help)");
    return 1;
  }
  const bool orderGiven = positional.size() == 2;
  if (outputPath.empty()) {
    errorPrint("plyxen spy: no output file given (-o FILE.svg)");
    return 1;
  }
  if (orderGiven && !strategy.empty()) {
    errorPrint("plyxen spy: -s orders the graph, which an ordering file already does");
    return 1;
  }
  if (!orderGiven && (!mapPath.empty() || !treePath.empty())) {
    errorPrint("plyxen spy: --map-file and --tree-file describe an ordering file, and none is given");
    return 1;
  }
  if (!treePath.empty() && mapPath.empty()) {
    errorPrint("plyxen spy: --tree-file needs --map-file (the tree file does not tell the column blocks apart)");
    return 1;
  }
  if (treePicture && orderGiven && treePath.empty()) {
    errorPrint("plyxen spy: --tree with an ordering file needs its --map-file and --tree-file");
    return 1;
  }
  GraphNum bins = kDefaultBins;
  if (!binsText.empty()) {
    char* end = nullptr;
    long value = strtol(binsText.c_str(), &end, 10);
    if (*end != '\0' || value < kMinBins || value > kMaxBins) {
      errorPrint("plyxen spy: --bins takes a number from %d to %d", kMinBins, kMaxBins);
      return 1;
    }
    bins = static_cast<GraphNum>(value);
  }
  ToolFormat format = FORMAT_NONE;
  if (toolFormatOption("spy", fromName, &format) != 0) return 1;
  StrategyHandle strat;
  const char* strategyText =
      strategy.empty() ? PLYXEN_stratGraphOrderText(ORDER_STRATEGY_RECOMMENDED) : strategy.c_str();
  if (!orderGiven && PLYXEN_stratGraphOrder(&strat.strat, strategyText) != 0) return 1;
  ToolOutput output;
  if (output.open(outputPath) != 0) return 1;

  ToolGraph toolGraph;
  if (toolGraphRead(&toolGraph, positional[0], format, "spy") != 0) return 1;
  const Graph* graph = toolGraph.core();
  const GraphNum base = graph->base;
  const GraphNum n = graph->vertexCount;
  std::vector<PLYXEN_Num> permutation;
  ColumnBlocks blocks;
  Picture picture;
  picture.graphName = baseName(positional[0]);
  if (orderGiven) {
    if (toolOrderingRead(&toolGraph, positional[1], "spy", &permutation) != 0) return 1;
    if (!mapPath.empty() && readColumnBlocks(graph, permutation, mapPath, treePath, &blocks) != 0) return 1;
    picture.orderingText = "ordering: file " + baseName(positional[1]);
  } else {
    permutation.assign(static_cast<size_t>(n) + 1, 0);
    std::vector<PLYXEN_Num> ranges(static_cast<size_t>(n) + 2), fathers(static_cast<size_t>(n) + 1);
    PLYXEN_Num columnBlockCount = 0;
    if (PLYXEN_graphOrder(&toolGraph.handle, &strat.strat, permutation.data(), nullptr, &columnBlockCount,
                          ranges.data(), fathers.data()) != 0)
      return 1;
    blocksFromOrdering(base, n, columnBlockCount, ranges, fathers, &blocks);
    picture.orderingText =
        "ordering: computed with " + (strategy.empty() ? std::string("the default strategy") : "strategy " + strategy);
  }
  picture.blocks = &blocks;
  picture.separators = findSeparators(blocks);

  std::vector<GraphNum> columnCounts(n), parent(n);
  FillStats stats;
  if (fillStatsComputeTree(graph, permutation.data(), &stats, columnCounts.data(), parent.data()) != 0) return 1;
  picture.figures = {n, graph->arcCount / 2, stats.nnzL, stats.opc, stats.treeHeight};

  if (treePicture) {
    writeTree(output.stream(), picture);
    return output.commit();
  }

  // Point by point when every row can be a bin, or when the panels have
  // few entries; a density image otherwise.
  const int64_t matrixEntries = n + static_cast<int64_t>(graph->arcCount);
  const int64_t factorEntries = n + stats.nnzL;
  picture.points = n <= bins || std::max(matrixEntries, factorEntries) <= kPointEntries;
  picture.bins = picture.points ? n : bins;
  picture.orderingText += picture.points
                              ? std::string("; drawn point by point")
                              : "; density images of " + std::to_string(bins) + " x " + std::to_string(bins) +
                                    " bins (about " + std::to_string((n + bins - 1) / bins) + " rows each)";

  std::vector<GraphNum> positionOf(n);
  for (GraphNum v = 0; v < n; v++) positionOf[v] = permutation[v] - base;
  BinGrid original(n, picture.bins), ordered(n, picture.bins), orderedLower(n, picture.bins), factor(n, picture.bins);
  binMatrix(graph, nullptr, false, &original);
  binMatrix(graph, positionOf.data(), false, &ordered);
  binMatrix(graph, positionOf.data(), true, &orderedLower);
  positionOf = std::vector<GraphNum>();
  if (binFactor(graph, permutation.data(), parent.data(), columnCounts.data(), &factor) != 0) return 1;

  const Panel panels[3] = {
      {"original", "matrix A, original order", &original, nullptr, false},
      {"ordered", "matrix in the new order, column blocks and separators", &ordered, nullptr, true},
      {"factor", "factor L of the reordered matrix, fill in orange", &factor, &orderedLower, true},
  };
  writeSpy(output.stream(), picture, panels);
  return output.commit();
}
