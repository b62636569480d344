// Life cycle of the symbolic block matrix.
#include "front/symbol.h"

int symbolInit(SymbolMatrix* symbol) {
  symbol->base = 0;
  symbol->columnBlockCount = 0;
  symbol->blockCount = 0;
  symbol->columnBlockArray = nullptr;
  symbol->blockArray = nullptr;
  symbol->nodeCount = 0;
  return 0;
}

void symbolExit(SymbolMatrix* symbol) {
  memFreeBased(symbol->columnBlockArray, symbol->base);
  memFreeBased(symbol->blockArray, symbol->base);
  symbolInit(symbol);
}

void symbolCompact(SymbolMatrix* symbol) {
  const GraphNum base = symbol->base;
  if (symbol->columnBlockArray != nullptr) {
    void* copy = memRealloc(symbol->columnBlockArray + base,
                            static_cast<size_t>(symbol->columnBlockCount + 1) * sizeof(SymbolColumnBlock));
    if (copy != nullptr) symbol->columnBlockArray = static_cast<SymbolColumnBlock*>(copy) - base;
  }
  if (symbol->blockArray != nullptr) {
    void* copy = memRealloc(symbol->blockArray + base, static_cast<size_t>(symbol->blockCount) * sizeof(SymbolBlock));
    if (copy != nullptr) symbol->blockArray = static_cast<SymbolBlock*>(copy) - base;
  }
}
