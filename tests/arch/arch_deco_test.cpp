// Decomposition-defined architectures: compilation of format 0, the saved
// format 1, chains of single children, and decompositions over a graph.
#include "arch/arch_deco.h"

#include <cstdlib>

#include "arch_check.h"

using archtest::loadDomText;
using archtest::loadTextOrFail;
using archtest::saveDomText;
using archtest::saveText;

namespace {

// Four terminals at the leaves 4 to 7 of a two-level tree.
const char* const fourTerminals = "deco 0 4 7  0 1 4  1 1 5  2 1 6  3 1 7  1  2 2  2 2 1";

TEST(ArchDeco, CompilesAveragesOfTerminalDistances) {
  Arch arch;
  loadTextOrFail(&arch, fourTerminals);
  EXPECT_EQ(archtest::distanceMatrix(&arch), (std::vector<GraphNum>{0, 1, 2, 2, 1, 0, 2, 2, 2, 2, 0, 1, 2, 2, 1, 0}));
  // Domain 2 holds terminals 0 and 1, domain 3 terminals 2 and 3: all four
  // pairs are at distance 2. Domain 4 (terminal 0) against domain 2: (0 + 1) / 2,
  // rounded to 1.
  EXPECT_EQ(saveText(&arch),
            "deco\n1\n4\t7\n0\t4\t4\n0\t2\t2\n2\t2\t2\n0\t1\t1\n1\t1\t1\n2\t1\t1\n3\t1\t1\n"
            "1\t1\t2\t1\t1\t2\t1\t1\n2\t1\t1\t2\t1\t2\t2\t1\n2\t1\t2\t2\t1\t\n");
  ArchDom whole = archtest::wholeDomain(&arch), halves[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "2 ");
  EXPECT_EQ(archDomDist(&arch, &halves[0], &halves[1]), 2);
  archExit(&arch);
}

TEST(ArchDeco, SingleChildrenAreFollowed) {
  Arch arch;
  loadTextOrFail(&arch, "deco 0 2 5  1 1 4  0 3 5  7");  // label 3 unused, label 2 the only child of 1
  ArchDom whole = archtest::wholeDomain(&arch), halves[2], chain;
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "4 ");
  EXPECT_EQ(saveDomText(&arch, halves[1]), "5 ");
  EXPECT_EQ(archDomWeight(&arch, &whole), 4);
  ASSERT_EQ(loadDomText(&arch, &chain, "2"), 0);
  EXPECT_EQ(archDomIncludes(&arch, &chain, &whole), 1);  // same terminals
  EXPECT_EQ(archDomIncludes(&arch, &whole, &chain), 1);
  EXPECT_EQ(archDomIncludes(&arch, &halves[0], &chain), 0);
  for (const char* text : {"", "0", "3", "6", "-1"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archDecoDomLoad: bad input");
  }
  archExit(&arch);
}

// A grid of 4 by 3 terminals: hop distances are the Manhattan distances.
void buildGrid(Arch* arch, const GraphNum* weights) {
  std::vector<GraphNum> edges;
  for (GraphNum y = 0; y < 3; y++)
    for (GraphNum x = 0; x < 4; x++) {
      if (x + 1 < 4) edges.insert(edges.end(), {y * 4 + x, y * 4 + x + 1});
      if (y + 1 < 3) edges.insert(edges.end(), {y * 4 + x, (y + 1) * 4 + x});
    }
  ErrorCapture capture;
  ASSERT_EQ(archDeco2ArchBuild(arch, 12, weights, static_cast<GraphNum>(edges.size() / 2), edges.data()), 0)
      << capture.first();
}

TEST(ArchDeco, GraphDecomposition) {
  Arch arch;
  const GraphNum weights[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  buildGrid(&arch, weights);
  EXPECT_EQ(arch.archClass, archClass("deco", 1));
  std::vector<GraphNum> matrix = archtest::distanceMatrix(&arch);
  for (GraphNum i = 0; i < 12; i++)
    for (GraphNum j = 0; j < 12; j++)
      EXPECT_EQ(matrix[i * 12 + j], abs(i % 4 - j % 4) + abs(i / 4 - j / 4)) << i << " " << j;
  ArchDom whole = archtest::wholeDomain(&arch);
  EXPECT_EQ(archDomWeight(&arch, &whole), 78);
  archtest::checkArchitecture(&arch);
  EXPECT_EQ(saveText(&arch).rfind("deco\n2\n12\t23\t17\n0\t-1\t1\t2\t0\t12\t78\t0\t", 0), 0u) << saveText(&arch);

  // Saved, it loads through the first entry into the second one.
  Arch loaded;
  loadTextOrFail(&loaded, saveText(&arch));
  EXPECT_EQ(loaded.archClass, archClass("deco", 1));
  EXPECT_EQ(archtest::distanceMatrix(&loaded), matrix);
  for (const char* text : {"", "23", "-1"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(loadDomText(&loaded, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archDeco2DomLoad: bad input");
  }
  archExit(&loaded);
  archExit(&arch);

  // The halves of every split are connected pieces of the grid.
  buildGrid(&arch, nullptr);
  ArchDom halves[2];
  whole = archtest::wholeDomain(&arch);
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(archDomSize(&arch, &halves[0]), 6);
  EXPECT_EQ(archDomWeight(&arch, &halves[1]), 6);
  archExit(&arch);
}

TEST(ArchDeco, GraphBuilderRefusesBadGraphs) {
  ErrorCapture capture;
  Arch arch;
  archInit(&arch);
  const GraphNum loop[2] = {1, 1};
  EXPECT_EQ(archDeco2ArchBuild(&arch, 3, nullptr, 1, loop), 1);
  archExit(&arch);
  const GraphNum apart[2] = {0, 1};
  EXPECT_EQ(archDeco2ArchBuild(&arch, 3, nullptr, 1, apart), 1);
  archExit(&arch);
  const GraphNum zero[1] = {0};
  EXPECT_EQ(archDeco2ArchBuild(&arch, 2, zero, 0, apart), 1);
  archExit(&arch);
  ASSERT_EQ(capture.lines.size(), 3u);
  EXPECT_EQ(capture.lines[0], "ERROR: archDeco2ArchBuild: invalid parameters");
  EXPECT_EQ(capture.lines[1], "ERROR: archDeco2ArchBuild: terminals not connected");
  EXPECT_EQ(capture.lines[2], "ERROR: archDeco2ArchBuild: invalid parameters");
}

}  // namespace
