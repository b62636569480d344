// Hypercubes and the variable-sized classes: the cases worked out by hand.
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
