// Mesh and torus architectures: the cases worked out by hand.
#include "arch_check.h"
#include "plyxen.h"

using archtest::loadTextOrFail;
using archtest::saveDomText;

namespace {

GraphNum terminalDistance(const Arch* arch, GraphNum first, GraphNum second) {
  ArchDom one = archtest::terminalDomain(arch, first);
  ArchDom two = archtest::terminalDomain(arch, second);
  return archDomDist(arch, &one, &two);
}

TEST(ArchMesh, TwoByFourSplitsAlongX) {
  Arch arch;
  loadTextOrFail(&arch, "mesh2D 4 2");
  ArchDom whole = archtest::wholeDomain(&arch);
  ArchDom halves[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "0 1 0 1 ");
  EXPECT_EQ(saveDomText(&arch, halves[1]), "2 3 0 1 ");
  EXPECT_EQ(terminalDistance(&arch, 0, 7), 4);  // (0, 0) and (3, 1)
  EXPECT_EQ(archtest::terminalsOf(&arch, halves[1]), (std::vector<GraphNum>{2, 6, 3, 7}));
  archExit(&arch);
}

// Equal extents: x when the machine is wider than high, else y.
TEST(ArchMesh, SquareDomainsSplitByMachineShape) {
  Arch arch;
  loadTextOrFail(&arch, "mesh2D 4 2");
  ArchDom domain, halves[2];
  ASSERT_EQ(archtest::loadDomText(&arch, &domain, "0 1 0 1"), 0);
  ASSERT_EQ(archDomBipart(&arch, &domain, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "0 0 0 1 ");
  archExit(&arch);
  loadTextOrFail(&arch, "mesh2D 2 4");
  ASSERT_EQ(archtest::loadDomText(&arch, &domain, "0 1 0 1"), 0);
  ASSERT_EQ(archDomBipart(&arch, &domain, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "0 1 0 0 ");
  archExit(&arch);
}

TEST(ArchMesh, ThreeAndManyDimensionTies) {
  Arch arch;
  loadTextOrFail(&arch, "mesh3D 2 2 2");
  ArchDom whole = archtest::wholeDomain(&arch), halves[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "0 0 0 1 0 1 ");  // ties go to x
  archExit(&arch);
  loadTextOrFail(&arch, "meshXD 3 2 2 2");
  whole = archtest::wholeDomain(&arch);
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "0 1 0 1 0 0 ");  // full tie: the highest dimension
  archExit(&arch);
  loadTextOrFail(&arch, "meshXD 3 4 8 4");
  ArchDom domain;
  ASSERT_EQ(archtest::loadDomText(&arch, &domain, "0 1 0 1 0 1"), 0);
  ASSERT_EQ(archDomBipart(&arch, &domain, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "0 1 0 0 0 1 ");  // equal extents: the larger machine size
  archExit(&arch);
}

TEST(ArchMesh, TorusWrapsAround) {
  Arch arch;
  loadTextOrFail(&arch, "torus2D 4 4");
  EXPECT_EQ(terminalDistance(&arch, 0, 3), 1);
  EXPECT_EQ(terminalDistance(&arch, 0, 2), 2);
  EXPECT_EQ(terminalDistance(&arch, 0, 15), 2);  // (0, 0) and (3, 3)
  archExit(&arch);
}

TEST(ArchMesh, TwoDimensionMeshXDMatchesMesh2D) {
  for (const char* kind : {"mesh", "torus"}) {
    Arch flat, general;
    loadTextOrFail(&flat, std::string(kind) + "2D 4 4");
    loadTextOrFail(&general, std::string(kind) + "XD 2 4 4");
    EXPECT_EQ(archtest::distanceMatrix(&flat), archtest::distanceMatrix(&general)) << kind;
    archExit(&flat);
    archExit(&general);
  }
}

TEST(ArchMesh, DomainFileBounds) {
  Arch arch;
  loadTextOrFail(&arch, "mesh2D 4 2");
  for (const char* text : {"", "0 3 0", "1 0 0 1", "-1 2 0 1", "0 4 0 1", "0 3 0 2", "0 3 x 1"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(archtest::loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty()) << text;
    EXPECT_EQ(messages.front(), "ERROR: archMeshXDomLoad: bad input");
  }
  archExit(&arch);
}

// Each level halves the largest dimension and pairs neighbours.
TEST(ArchMesh, MatchingPairsNeighbours) {
  Arch arch;
  loadTextOrFail(&arch, "mesh2D 3 4");
  ArchMatch match;
  ASSERT_EQ(archMatchInit(&match, &arch), 0);
  ArchCoarsenMulti* pairs = nullptr;
  ASSERT_EQ(archMatchMate(&match, &pairs), 6);  // y halved: 3 x 2
  for (GraphNum i = 0; i < 6; i++) EXPECT_EQ(terminalDistance(&arch, pairs[i].terminals[0], pairs[i].terminals[1]), 1);
  EXPECT_EQ(archtest::checkMatching(&arch), 4);  // 3x4 to 3x2, 2x2, 2x1 and 1x1
  archMatchExit(&match);
  archExit(&arch);
}

TEST(ArchMesh, PublicBuilders) {
  ErrorCapture capture;
  PLYXEN_Arch arch;
  PLYXEN_archInit(&arch);
  const PLYXEN_Num five[5] = {2, 3, 1, 2, 2};
  ASSERT_EQ(PLYXEN_archMeshX(&arch, 5, five), 0);
  EXPECT_EQ(PLYXEN_archSize(&arch), 24);
  EXPECT_STREQ(PLYXEN_archName(&arch), "meshXD");
  PLYXEN_archExit(&arch);
  const PLYXEN_Num six[6] = {2, 2, 2, 2, 2, 2};
  EXPECT_EQ(PLYXEN_archMeshX(&arch, 6, six), 1);
  EXPECT_EQ(capture.first(), "ERROR: PLYXEN_archMeshX: too many dimensions");
  EXPECT_EQ(PLYXEN_archTorusX(&arch, 6, six), 1);
  EXPECT_EQ(capture.lines.back(), "ERROR: PLYXEN_archTorusX: too many dimensions");
  ASSERT_EQ(PLYXEN_archTorus3(&arch, 2, 3, 4), 0);
  EXPECT_EQ(PLYXEN_archSize(&arch), 24);
  EXPECT_STREQ(PLYXEN_archName(&arch), "torus3D");
  ASSERT_EQ(PLYXEN_archMesh2(&arch, 5, 7), 0);
  EXPECT_EQ(PLYXEN_archSize(&arch), 35);
  ASSERT_EQ(PLYXEN_archTorus2(&arch, 5, 7), 0);
  ASSERT_EQ(PLYXEN_archMesh3(&arch, 5, 7, 2), 0);
  EXPECT_EQ(PLYXEN_archSize(&arch), 70);
  size_t before = capture.lines.size();
  EXPECT_EQ(PLYXEN_archMesh2(&arch, 0, 7), 1);
  EXPECT_EQ(PLYXEN_archMesh3(&arch, 65536, 65536, 1), 1);
  EXPECT_EQ(capture.lines.size(), before + 2);
}

}  // namespace
