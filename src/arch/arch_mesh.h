// Mesh and torus architectures of 2, 3 or up to 5 dimensions ("mesh2D",
// "mesh3D", "meshXD", "torus2D", "torus3D", "torusXD"). They share their
// files, domains, splits and matching, and differ in the distance.
#pragma once

#include "arch/arch_class.h"

inline constexpr int ARCH_MESH_DIM_MAX = 5;

struct ArchMesh {
  static constexpr ArchRole archRole = ARCH_ROLE_DATA;
  GraphNum dimnnbr;               // dimension count, 1 to ARCH_MESH_DIM_MAX
  GraphNum c[ARCH_MESH_DIM_MAX];  // size of each dimension
};

// A box of terminals: per dimension the minimum and maximum coordinate.
struct ArchMeshDom {
  static constexpr ArchRole archRole = ARCH_ROLE_DOMAIN;
  GraphNum c[ARCH_MESH_DIM_MAX][2];
};

// Halves one dimension per level, the largest one, pairing neighbouring
// coordinates; the coarse machine is again a mesh of the same dimensions.
struct ArchMeshMatch {
  static constexpr ArchRole archRole = ARCH_ROLE_MATCH;
  ArchCoarsenMulti* pairs;
  GraphNum dimnnbr;
  GraphNum c[ARCH_MESH_DIM_MAX];  // sizes of the current level
  GraphNum passNum;
};

// Builds a mesh or torus of the given class (one of the six above) and
// sizes; sizes must be at least 1 and their product must fit a GraphNum.
int archMeshArchBuild(Arch* arch, const ArchClass* meshClass, GraphNum dimnnbr, const GraphNum* sizes);
