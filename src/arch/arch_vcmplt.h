// Variable-sized architectures ("varcmplt", "varhcub"): no fixed number of
// terminals; domains are the nodes of an unbounded binary tree, split as
// far as a mapping needs. "varhcub" shares everything with "varcmplt" but
// its domain files and distance.
#pragma once

#include "arch/arch_class.h"

// No data: the name alone defines the machine.
struct ArchVcmplt {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
};

// A node of the tree: the root is 1, the children of k are 2k and 2k + 1.
struct ArchVcmpltDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum termNum;  // node number
  GraphNum termLvl;  // depth, the root being at depth 0
};

GraphNum archVcmpltDomNumber(const ArchVcmplt* data, const ArchVcmpltDom* domain);
int archVcmpltDomTerminal(const ArchVcmplt* data, ArchVcmpltDom* domain, GraphNum number);
GraphNum archVcmpltDomSize(const ArchVcmplt* data, const ArchVcmpltDom* domain);
int archVcmpltDomFirst(const ArchVcmplt* data, ArchVcmpltDom* domain);
int archVcmpltDomBipart(const ArchVcmplt* data, const ArchVcmpltDom* domain, ArchVcmpltDom* first,
                        ArchVcmpltDom* second);
int archVcmpltDomIncludes(const ArchVcmplt* data, const ArchVcmpltDom* outer, const ArchVcmpltDom* inner);
// Reads a node number, at least 1, and sets the node's depth.
bool archVcmpltDomRead(ArchVcmpltDom* domain, FILE* stream);

int archVcmpltArchBuild(Arch* arch);
int archVhcubArchBuild(Arch* arch);
