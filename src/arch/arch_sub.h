// The sub-architecture "sub": a chosen set of terminals of a source
// architecture, with the source's distances between them.
#pragma once

#include "arch/arch_class.h"

// Builds the sub-architecture of the termNbr listed terminals of source
// (distinct source terminal numbers); sub-terminal i is source terminal
// termtab[i]. The source is used in place and must outlive the result.
int archSubArchBuild(Arch* arch, const Arch* source, GraphNum termNbr, const GraphNum* termtab);
