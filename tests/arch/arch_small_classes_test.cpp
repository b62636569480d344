// Weighted complete graphs, hypercubes, tree leaves and the variable-sized
// classes: the cases worked out by hand.
#include <algorithm>

#include "arch/arch_cmpltw.h"
#include "arch/arch_sub.h"
#include "arch_check.h"
#include "plyxen.h"

using archtest::loadDomText;
using archtest::loadTextOrFail;
using archtest::saveDomText;

namespace {

TEST(ArchHcub, SplitsAndDistances) {
  Arch arch;
  loadTextOrFail(&arch, "hcub 3");
  ArchDom whole = archtest::wholeDomain(&arch), halves[2];
  EXPECT_EQ(saveDomText(&arch, whole), "3 0 ");
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "2 0 ");
  EXPECT_EQ(saveDomText(&arch, halves[1]), "2 4 ");
  ArchDom zero = archtest::terminalDomain(&arch, 0), seven = archtest::terminalDomain(&arch, 7);
  EXPECT_EQ(archDomDist(&arch, &zero, &seven), 3);
  EXPECT_EQ(archDomDist(&arch, &whole, &seven), 1);  // three dimensions apart, halved
  EXPECT_EQ(archDomDist(&arch, &halves[0], &seven), 2);
  for (const char* text : {"", "4 0", "-1 0", "1 1", "0 8", "2 2", "1 x"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archHcubDomLoad: bad input");
  }
  EXPECT_EQ(archtest::checkMatching(&arch), 3);
  archExit(&arch);

  ErrorCapture capture;
  PLYXEN_Arch handle;
  PLYXEN_archInit(&handle);
  ASSERT_EQ(PLYXEN_archHcub(&handle, 30), 0);
  EXPECT_EQ(PLYXEN_archSize(&handle), GraphNum{1} << 30);
  EXPECT_EQ(PLYXEN_archHcub(&handle, 31), 1);
  EXPECT_EQ(PLYXEN_archHcub(&handle, 0), 1);
  EXPECT_EQ(capture.lines.size(), 2u);
}

TEST(ArchVariable, SplitsAndTerminals) {
  Arch arch;
  loadTextOrFail(&arch, "varcmplt");
  EXPECT_EQ(archVar(&arch), 1);
  EXPECT_EQ(archSize(&arch), 1);
  ArchDom whole = archtest::wholeDomain(&arch), halves[2], quarters[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "2 ");
  EXPECT_EQ(saveDomText(&arch, halves[1]), "3 ");
  ASSERT_EQ(archDomBipart(&arch, &halves[1], &quarters[0], &quarters[1]), 0);
  EXPECT_EQ(saveDomText(&arch, quarters[0]), "6 ");
  EXPECT_EQ(saveDomText(&arch, quarters[1]), "7 ");
  ArchDom domain;
  EXPECT_EQ(archDomTerminal(&arch, &domain, -1), 1);
  EXPECT_EQ(archDomTerminal(&arch, &domain, 0), 2);
  ASSERT_EQ(archDomTerminal(&arch, &domain, 1073741824), 0);  // 2^30: as deep as a GraphNum goes
  EXPECT_EQ(archDomBipart(&arch, &domain, &halves[0], &halves[1]), 2);
  ASSERT_EQ(archDomTerminal(&arch, &domain, 1073741823), 0);
  EXPECT_EQ(archDomBipart(&arch, &domain, &halves[0], &halves[1]), 0);
  EXPECT_EQ(archDomNumber(&arch, &halves[1]), 2147483647);
  EXPECT_EQ(archDomIncludes(&arch, &whole, &halves[1]), 1);
  for (const char* text : {"", "0", "-4", "z"}) {
    std::vector<std::string> messages;
    EXPECT_EQ(loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archVcmpltDomLoad: bad input");
  }
  archExit(&arch);

  loadTextOrFail(&arch, "varhcub");
  std::vector<std::string> messages;
  EXPECT_EQ(loadDomText(&arch, &domain, "0", &messages), 1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), "ERROR: archVhcubDomLoad: bad input");
  ArchDom five = archtest::terminalDomain(&arch, 5), six = archtest::terminalDomain(&arch, 6);
  ArchDom twentyFour = archtest::terminalDomain(&arch, 24);
  EXPECT_EQ(archDomDist(&arch, &five, &six), 2);         // 101 and 110
  EXPECT_EQ(archDomDist(&arch, &twentyFour, &six), 1);   // 11000 brought up to 110: depth 2 apart
  EXPECT_EQ(archDomDist(&arch, &twentyFour, &five), 3);  // 110 against 101: two bits, plus 1
  archExit(&arch);

  PLYXEN_Arch handle;
  PLYXEN_archInit(&handle);
  ASSERT_EQ(PLYXEN_archVcmplt(&handle), 0);
  EXPECT_EQ(PLYXEN_archVar(&handle), 1);
  EXPECT_STREQ(PLYXEN_archName(&handle), "varcmplt");
  ASSERT_EQ(PLYXEN_archVhcub(&handle), 0);
  EXPECT_STREQ(PLYXEN_archName(&handle), "varhcub");
  EXPECT_EQ(PLYXEN_archVar(&handle), 1);
  PLYXEN_archExit(&handle);
}

}  // namespace

namespace {

GraphNum terminalDistance(const Arch* arch, GraphNum first, GraphNum second) {
  ArchDom one = archtest::terminalDomain(arch, first);
  ArchDom two = archtest::terminalDomain(arch, second);
  return archDomDist(arch, &one, &two);
}

// Two levels: fan-out 2 at cost 10, then fan-out 4 at cost 1.
TEST(ArchTleaf, TwoLevelTree) {
  Arch arch;
  loadTextOrFail(&arch, "tleaf 2 2 10 4 1");
  EXPECT_EQ(archSize(&arch), 8);
  EXPECT_EQ(terminalDistance(&arch, 0, 3), 1);
  EXPECT_EQ(terminalDistance(&arch, 5, 6), 1);
  EXPECT_EQ(terminalDistance(&arch, 0, 4), 11);
  EXPECT_EQ(terminalDistance(&arch, 3, 7), 11);
  ArchDom whole = archtest::wholeDomain(&arch), halves[2], quarters[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "1 0 1 ");
  EXPECT_EQ(saveDomText(&arch, halves[1]), "1 1 1 ");
  EXPECT_EQ(archDomDist(&arch, &halves[0], &halves[1]), 10);
  ASSERT_EQ(archDomBipart(&arch, &halves[1], &quarters[0], &quarters[1]), 0);
  EXPECT_EQ(saveDomText(&arch, quarters[0]), "2 4 2 ");
  EXPECT_EQ(archtest::terminalsOf(&arch, quarters[1]), (std::vector<GraphNum>{6, 7}));
  // A leaf inside a domain is half a link away from it, rounded down.
  ArchDom leaf = archtest::terminalDomain(&arch, 6);
  EXPECT_EQ(archDomDist(&arch, &leaf, &halves[1]), 0);
  EXPECT_EQ(archDomDist(&arch, &leaf, &halves[0]), 11);
  // Odd fan-outs give the first half the odd node.
  archExit(&arch);
  loadTextOrFail(&arch, "tleaf 1 5 3");
  whole = archtest::wholeDomain(&arch);
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(saveDomText(&arch, halves[0]), "1 0 3 ");
  EXPECT_EQ(saveDomText(&arch, halves[1]), "1 3 2 ");
  for (const char* text : {"", "2 8 1", "2 7 2", "3 0 1", "1 0 0", "-1 0 1", "0 0 2"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(archtest::loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archTleafDomLoad: bad input");
  }
  archExit(&arch);
}

// The labels move terminal numbers only: distances follow the tree.
TEST(ArchTleaf, LabelledLeaves) {
  Arch plain, labelled;
  loadTextOrFail(&plain, "tleaf 2 2 10 4 1");
  loadTextOrFail(&labelled, "ltleaf 2 2 10 4 1 8 7 6 5 4 3 2 1 0");
  for (GraphNum first = 0; first < 8; first++)
    for (GraphNum second = 0; second < 8; second++)
      EXPECT_EQ(terminalDistance(&labelled, 7 - first, 7 - second), terminalDistance(&plain, first, second));
  ArchDom whole = archtest::wholeDomain(&labelled), halves[2];
  ASSERT_EQ(archDomBipart(&labelled, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(archtest::terminalsOf(&labelled, halves[0]), (std::vector<GraphNum>{7, 6, 5, 4}));
  // The first matching level pairs terminal numbers, not leaves.
  ArchMatch match;
  ASSERT_EQ(archMatchInit(&match, &labelled), 0);
  ArchCoarsenMulti* pairs = nullptr;
  ASSERT_EQ(archMatchMate(&match, &pairs), 4);
  EXPECT_EQ(pairs[0].terminals[0], 7);
  EXPECT_EQ(pairs[0].terminals[1], 6);
  archMatchExit(&match);
  archExit(&labelled);
  archExit(&plain);
}

TEST(ArchTleaf, PublicBuilders) {
  ErrorCapture capture;
  PLYXEN_Arch arch;
  PLYXEN_archInit(&arch);
  const PLYXEN_Num sizes[2] = {2, 4}, links[2] = {10, 1};
  ASSERT_EQ(PLYXEN_archTleaf(&arch, 2, sizes, links), 0);
  EXPECT_EQ(PLYXEN_archSize(&arch), 8);
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  PLYXEN_archSave(&arch, stream);
  fclose(stream);
  EXPECT_EQ(std::string(buffer, size), "tleaf\n2 2 10 4 1\n");
  free(buffer);
  PLYXEN_archExit(&arch);
  const PLYXEN_Num permutation[8] = {1, 0, 3, 2, 5, 4, 7, 6};
  ASSERT_EQ(PLYXEN_archLtleaf(&arch, 2, sizes, links, 8, permutation), 0);
  EXPECT_STREQ(PLYXEN_archName(&arch), "ltleaf");
  PLYXEN_archExit(&arch);
  EXPECT_TRUE(capture.lines.empty());
  const PLYXEN_Num repeated[8] = {1, 1, 3, 2, 5, 4, 7, 6};
  EXPECT_EQ(PLYXEN_archLtleaf(&arch, 2, sizes, links, 8, repeated), 1);
  PLYXEN_archExit(&arch);
  EXPECT_EQ(PLYXEN_archLtleaf(&arch, 2, sizes, links, 7, permutation), 1);
  PLYXEN_archExit(&arch);
  const PLYXEN_Num flat[2] = {1, 4};
  EXPECT_EQ(PLYXEN_archTleaf(&arch, 2, flat, links), 1);
  ASSERT_EQ(capture.lines.size(), 3u);
  EXPECT_EQ(capture.lines[0], "ERROR: PLYXEN_archLtleaf: invalid parameters");
  EXPECT_EQ(capture.lines[2], "ERROR: PLYXEN_archTleaf: invalid parameters");
}

}  // namespace

namespace {

// Weights of the terminals of a domain.
GraphNum weightOfTerminals(const Arch* arch, const ArchDom& domain, const std::vector<GraphNum>& weights) {
  GraphNum sum = 0;
  for (GraphNum terminal : archtest::terminalsOf(arch, domain)) sum += weights[terminal];
  return sum;
}

// Every split of the weighted complete graph is as balanced as the greedy
// grouping makes it: the heavier half exceeds the lighter one by at most its
// lightest terminal.
TEST(ArchCmpltw, SplitsBalanceWeights) {
  const std::vector<std::vector<GraphNum>> cases = {
      {1, 2, 3, 4, 5, 6, 7, 8}, {100, 1, 1, 1, 1, 1}, {5, 3, 8, 1, 1, 9, 2, 7, 4, 4, 6, 2}, {7, 7, 7}};
  for (const std::vector<GraphNum>& weights : cases) {
    Arch arch;
    ASSERT_EQ(archCmpltwArchBuild(&arch, static_cast<GraphNum>(weights.size()), weights.data()), 0);
    std::vector<ArchDom> stack{archtest::wholeDomain(&arch)};
    while (!stack.empty()) {
      ArchDom domain = stack.back(), halves[2];
      stack.pop_back();
      EXPECT_EQ(archDomWeight(&arch, &domain), weightOfTerminals(&arch, domain, weights));
      if (archDomBipart(&arch, &domain, &halves[0], &halves[1]) != 0) continue;
      GraphNum load[2] = {archDomWeight(&arch, &halves[0]), archDomWeight(&arch, &halves[1])};
      int heavy = (load[0] >= load[1]) ? 0 : 1;
      GraphNum lightest = INT32_MAX;
      for (GraphNum terminal : archtest::terminalsOf(&arch, halves[heavy]))
        lightest = std::min(lightest, weights[terminal]);
      EXPECT_LE(load[heavy] - load[1 - heavy], lightest);
      stack.push_back(halves[0]);
      stack.push_back(halves[1]);
    }
    archExit(&arch);
  }
}

TEST(ArchCmpltw, SavesWeightsInTerminalOrder) {
  Arch arch;
  loadTextOrFail(&arch, "cmpltw 5 3 1 4 1 5");
  EXPECT_EQ(archtest::saveText(&arch), "cmpltw\n5 3 1 4 1 5\n");
  ArchDom whole = archtest::wholeDomain(&arch);
  EXPECT_EQ(archDomWeight(&arch, &whole), 14);
  ArchDom four = archtest::terminalDomain(&arch, 2);
  EXPECT_EQ(archDomWeight(&arch, &four), 4);
  for (const char* text : {"", "5 1", "0 6", "-1 1", "2 0"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(archtest::loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archCmpltwDomLoad: bad input");
  }
  archExit(&arch);

  ErrorCapture capture;
  PLYXEN_Arch handle;
  PLYXEN_archInit(&handle);
  const PLYXEN_Num weights[3] = {2, 0, 1};
  EXPECT_EQ(PLYXEN_archCmpltw(&handle, 3, weights), 1);
  EXPECT_EQ(PLYXEN_archCmpltw(&handle, 0, weights), 1);
  EXPECT_EQ(capture.first(), "ERROR: archCmpltwArchBuild: invalid parameters");
  ASSERT_EQ(PLYXEN_archCmpltw(&handle, 1, weights), 0);
  EXPECT_EQ(PLYXEN_archSize(&handle), 1);
  PLYXEN_archExit(&handle);
}

}  // namespace

namespace {

// The chosen terminals keep the source's distances, numbered in list order.
TEST(ArchSub, KeepsSourceDistances) {
  const std::vector<GraphNum> chosen = {15, 0, 5, 10, 3, 12, 6};
  Arch source, sub;
  loadTextOrFail(&source, "mesh2D 4 4");
  ASSERT_EQ(archSubArchBuild(&sub, &source, static_cast<GraphNum>(chosen.size()), chosen.data()), 0);
  EXPECT_EQ(archSize(&sub), 7);
  for (size_t i = 0; i < chosen.size(); i++)
    for (size_t j = 0; j < chosen.size(); j++)
      EXPECT_EQ(terminalDistance(&sub, static_cast<GraphNum>(i), static_cast<GraphNum>(j)),
                terminalDistance(&source, chosen[i], chosen[j]));
  archtest::checkArchitecture(&sub);
  // The first split follows the source's: on a square machine, rows 0 and 1
  // against rows 2 and 3.
  ArchDom whole = archtest::wholeDomain(&sub), halves[2];
  ASSERT_EQ(archDomBipart(&sub, &whole, &halves[0], &halves[1]), 0);
  std::vector<GraphNum> left = archtest::terminalsOf(&sub, halves[0]);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<GraphNum>{1, 2, 4, 6}));  // source terminals 0, 5, 3 and 6
  std::string text = archtest::saveText(&sub);
  EXPECT_EQ(text, "sub\n7 15 0 5 10 3 12 6\nmesh2D\n4 4\n");
  for (const char* bad : {"", "13", "-1", "x"}) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(archtest::loadDomText(&sub, &domain, bad, &messages), 1) << bad;
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "ERROR: archSubDomLoad: bad input");
  }
  archExit(&sub);
  archExit(&source);

  ErrorCapture capture;
  PLYXEN_Arch handleSource, handleSub;
  PLYXEN_archInit(&handleSource);
  PLYXEN_archInit(&handleSub);
  ASSERT_EQ(PLYXEN_archHcub(&handleSource, 4), 0);
  const PLYXEN_Num list[3] = {9, 3, 14};
  ASSERT_EQ(PLYXEN_archSub(&handleSub, &handleSource, 3, list), 0);
  EXPECT_EQ(PLYXEN_archSize(&handleSub), 3);
  PLYXEN_archExit(&handleSub);
  PLYXEN_archExit(&handleSource);
  EXPECT_TRUE(capture.lines.empty());
  ASSERT_EQ(PLYXEN_archVcmplt(&handleSource), 0);
  EXPECT_EQ(PLYXEN_archSub(&handleSub, &handleSource, 3, list), 1);
  EXPECT_EQ(capture.first(), "ERROR: archSubArchBuild: variable-sized architectures not supported");
  PLYXEN_archExit(&handleSub);
}

TEST(ArchSub, NestingWithoutEndIsRefused) {
  std::string text;
  for (int i = 0; i < 50000; i++) text += "sub 1 0 ";
  text += "cmplt 2";
  Arch arch;
  std::vector<std::string> messages;
  EXPECT_EQ(archtest::loadText(&arch, text, &messages), 1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), "ERROR: archLoad: architectures nested too deeply");
  archExit(&arch);
}

}  // namespace
