// The library ordering entry: ordering a graph or a list of its vertices
// with an ordering strategy, and the record that carries the result to the
// solver-ordering interface.
#pragma once

#include "graph/graph.h"
#include "order/order.h"
#include "strat/strat.h"

// Result handed to the solver-ordering interface. All three arrays are
// owned by the record.
struct InterfaceOrder {
  GraphNum columnBlockCount;
  GraphNum* rangeArray;          // columnBlockCount + 1 entries once finished
  GraphNum* permutation;         // vertex -> position
  GraphNum* inversePermutation;  // position -> vertex
};

void interfaceOrderInit(InterfaceOrder* order);
void interfaceOrderExit(InterfaceOrder* order);

// Orders listCount vertices of the graph (all of them when listCount is the
// vertex count) with the strategy text, filling the interface order.
int orderGraphListStrat(InterfaceOrder* order, Graph* graph, GraphNum listCount, const GraphNum* list,
                        const char* strategy);
