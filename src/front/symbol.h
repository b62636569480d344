// The symbolic block matrix: the block structure of the Cholesky factor of
// a reordered matrix, column block by column block, and the symbolic block
// factorization that computes it.
#pragma once

#include "graph/graph.h"
#include "order/library_order.h"

// A run of consecutive columns treated as one block column.
struct SymbolColumnBlock {
  GraphNum firstColumn;
  GraphNum lastColumn;
  GraphNum firstBlock;  // index of the column block's diagonal block
};

// A run of consecutive rows of one block column, all facing one column block.
struct SymbolBlock {
  GraphNum firstRow;
  GraphNum lastRow;
  GraphNum columnBlock;  // the column block that the rows belong to
};

// Columns and rows are positions in the new numbering. The blocks of column
// block k are those from columnBlockArray[k].firstBlock to
// columnBlockArray[k + 1].firstBlock - 1: first the diagonal block (its own
// columns, facing itself), then the off-diagonal blocks in increasing row
// order. The column block faced by the first off-diagonal block is the
// father of k in the block elimination tree; without off-diagonal blocks k
// is a root. The entry after the last column block is a sentinel whose
// columns are both base + nodeCount and whose first block is
// base + blockCount.
struct SymbolMatrix {
  GraphNum base;                         // base of all column, row, block and column block numbers
  GraphNum columnBlockCount;
  GraphNum blockCount;
  SymbolColumnBlock* columnBlockArray;   // columnBlockCount + 1 entries, indexed from base
  SymbolBlock* blockArray;               // blockCount entries, indexed from base
  GraphNum nodeCount;                    // number of columns
};

// Clears every field. Returns 0.
int symbolInit(SymbolMatrix* symbol);
// Frees both arrays and clears every field.
void symbolExit(SymbolMatrix* symbol);
// Replaces both arrays by exactly sized copies; an array that cannot be
// reallocated is kept as it is.
void symbolCompact(SymbolMatrix* symbol);

// Computes the block structure of the factor of the graph's matrix reordered
// by the interface order, whose column blocks become the column blocks of
// the symbol matrix. Returns 0, or 1 after reporting a failure, in which
// case the symbol matrix is left untouched.
int symbolFax(SymbolMatrix* symbol, const Graph* graph, const InterfaceOrder* order);
