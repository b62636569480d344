// The architecture interface: the registry, architecture files and their
// messages, the generic operations and the public handle.
#include <cstring>

#include "arch/arch_class.h"
#include "arch/arch_cmplt.h"
#include "arch_check.h"
#include "plyxen.h"

using archtest::loadText;
using archtest::loadTextOrFail;
using archtest::saveText;

namespace {

TEST(ArchRegistry, NamesInOrderAndSecondDecompositionEntry) {
  const char* names[] = {"cmplt",  "cmpltw", "deco", "dist",    "hcub",    "tleaf",   "ltleaf",   "mesh2D",
                         "mesh3D", "meshXD", "sub",  "torus2D", "torus3D", "torusXD", "varcmplt", "varhcub"};
  for (const char* name : names) {
    const ArchClass* found = archClass(name, 0);
    ASSERT_NE(found, nullptr) << name;
    EXPECT_STREQ(found->name, name);
  }
  const ArchClass* second = archClass("deco", 1);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, archClass("deco", 0));
  EXPECT_STREQ(second->name, "deco");
  EXPECT_EQ(second->archLoad, nullptr);       // reached through the first entry
  EXPECT_EQ(archClass("Cmplt", 0), nullptr);  // names are case-sensitive
  EXPECT_EQ(archClass("nothing", 0), nullptr);
  EXPECT_EQ(archClass("varhcub", 1), nullptr);  // past the end of the registry
  EXPECT_EQ(archClass("cmplt", -1), nullptr);
  EXPECT_EQ(archClass("varcmplt", 0)->flags, ARCH_PART | ARCH_VARIABLE);
  EXPECT_EQ(archClass("varhcub", 0)->flags, ARCH_VARIABLE);
  EXPECT_EQ(archClass("cmplt", 0)->flags, ARCH_PART);
  EXPECT_EQ(archClass("cmpltw", 0)->flags, ARCH_PART);
  EXPECT_EQ(archClass("cmplt", 0)->domainSize, 8u);
}

// Domain sizes and the operations each class leaves out. "dist" owns the
// inner architecture it reads, so it has a release operation.
TEST(ArchRegistry, DomainSizesAndAbsentOperations) {
  struct Entry {
    const char* name;
    int index;
    size_t domainSize;
    bool load, free, match;
  } entries[] = {
      {"cmplt", 0, 8, true, false, true},     {"cmpltw", 0, 12, true, true, true},
      {"deco", 0, 4, true, true, false},      {"deco", 1, 4, false, true, true},
      {"dist", 0, 40, true, true, false},     {"hcub", 0, 8, true, false, true},
      {"tleaf", 0, 12, true, true, true},     {"ltleaf", 0, 12, true, true, true},
      {"mesh2D", 0, 40, true, false, true},   {"mesh3D", 0, 40, true, false, true},
      {"meshXD", 0, 40, true, false, true},   {"sub", 0, 4, true, true, true},
      {"torus2D", 0, 40, true, false, true},  {"torus3D", 0, 40, true, false, true},
      {"torusXD", 0, 40, true, false, true},  {"varcmplt", 0, 8, false, false, false},
      {"varhcub", 0, 8, false, false, false},
  };
  for (const Entry& entry : entries) {
    SCOPED_TRACE(std::string(entry.name) + " " + std::to_string(entry.index));
    const ArchClass* found = archClass(entry.name, entry.index);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->domainSize, entry.domainSize);
    EXPECT_EQ(found->archLoad != nullptr, entry.load);
    EXPECT_EQ(found->archSave != nullptr, entry.load || entry.index == 1);
    EXPECT_EQ(found->archFree != nullptr, entry.free);
    EXPECT_EQ(found->archMatchInit != nullptr, entry.match);
    EXPECT_EQ(found->archMatchMate != nullptr, entry.match);
    for (auto operation :
         {reinterpret_cast<const void*>(found->archDomNumber), reinterpret_cast<const void*>(found->archDomTerminal),
          reinterpret_cast<const void*>(found->archDomSize), reinterpret_cast<const void*>(found->archDomWeight),
          reinterpret_cast<const void*>(found->archDomDist), reinterpret_cast<const void*>(found->archDomFirst),
          reinterpret_cast<const void*>(found->archDomLoad), reinterpret_cast<const void*>(found->archDomSave),
          reinterpret_cast<const void*>(found->archDomBipart), reinterpret_cast<const void*>(found->archDomIncludes)})
      EXPECT_NE(operation, nullptr);
  }

  // Pairing terminals on a class without a matching is refused, and says so.
  Arch arch;
  loadTextOrFail(&arch, "varcmplt");
  EXPECT_EQ(archHasMatch(&arch), 0);
  ArchMatch match;
  ErrorCapture capture;
  EXPECT_EQ(archMatchInit(&match, &arch), 1);
  EXPECT_EQ(capture.first(), "ERROR: archMatchInit: architecture \"varcmplt\" cannot pair its terminals");
  archMatchExit(&match);  // nothing to release
  archExit(&arch);
}

TEST(ArchFile, TypeMessages) {
  const std::string longName(300, 'x');
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "ERROR: archLoad: cannot load architecture type"},
      {"  \n\t ", "ERROR: archLoad: cannot load architecture type"},
      {"cmplets 4", "ERROR: archLoad: invalid architecture type"},
      {"CMPLT 4", "ERROR: archLoad: invalid architecture type"},
      {longName.c_str(), "ERROR: archLoad: invalid architecture type"},
  };
  for (const Case& c : cases) {
    Arch arch;
    std::vector<std::string> messages;
    EXPECT_EQ(loadText(&arch, c.text, &messages), 1) << c.text;
    ASSERT_FALSE(messages.empty()) << c.text;
    EXPECT_EQ(messages.front(), c.message);
    archExit(&arch);
  }
}

TEST(ArchFile, LoadedFlagAndSavedText) {
  Arch arch;
  loadTextOrFail(&arch, "  cmplt\n\n  7 ");
  EXPECT_EQ(arch.flags, ARCH_PART | ARCH_LOADED);
  EXPECT_STREQ(archName(&arch), "cmplt");
  EXPECT_EQ(archSize(&arch), 7);
  EXPECT_EQ(saveText(&arch), "cmplt\n7\n");
  archExit(&arch);

  // Built architectures carry the class flags only.
  ASSERT_EQ(archCmpltArchBuild(&arch, 3), 0);
  EXPECT_EQ(arch.flags, ARCH_PART);
  EXPECT_EQ(saveText(&arch), "cmplt\n3\n");
  archExit(&arch);
}

TEST(ArchFile, ClearedArchitectureSavesNothing) {
  Arch arch;
  archInit(&arch);
  int result = 1;
  EXPECT_EQ(saveText(&arch, &result), "");
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(archName(&arch), "");
  EXPECT_EQ(archSize(&arch), 0);
  EXPECT_EQ(archVar(&arch), 0);
  EXPECT_EQ(archExit(&arch), 0);
}

TEST(ArchFile, FailedWriteIsReported) {
  Arch arch;
  ASSERT_EQ(archCmpltArchBuild(&arch, 4), 0);
  std::string folder = temporaryPath("arch_read_only");
  writeFile(folder, "");
  FILE* stream = fopen(folder.c_str(), "r");  // writes on a read-only stream fail
  ASSERT_NE(stream, nullptr);
  ErrorCapture capture;
  EXPECT_EQ(archSave(&arch, stream), 1);
  EXPECT_TRUE(capture.contains("ERROR: archSave: bad output")) << capture.first();
  fclose(stream);
  archExit(&arch);
}

TEST(ArchFile, NestingWithoutEndIsRefused) {
  // "dist" holds a whole architecture; a file nesting it without end must
  // fail cleanly instead of exhausting the stack.
  std::string text;
  for (int i = 0; i < 100000; i++) text += "dist 1 ";
  text += "cmplt 2";
  Arch arch;
  std::vector<std::string> messages;
  EXPECT_EQ(loadText(&arch, text, &messages), 1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), "ERROR: archLoad: architectures nested too deeply");
  archExit(&arch);

  // A few levels are fine, and scale the distances each time.
  loadTextOrFail(&arch, "dist 2 dist 3 dist 5 cmplt 4");
  ArchDom whole = archtest::wholeDomain(&arch), halves[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(archDomDist(&arch, &halves[0], &halves[1]), 30);
  EXPECT_EQ(saveText(&arch), "dist\n2\tdist\n3\tdist\n5\tcmplt\n4\n");
  archExit(&arch);
}

TEST(ArchFile, FailedLoadLeavesAnEmptyArchitecture) {
  // Whatever a class read before failing is released: the record answers
  // like a cleared one, and can be freed or loaded again.
  const char* texts[] = {
      "deco 0 4 7  0 1 2  1 1 5  2 1 6  3 1 7  1  2 2  22  2",  // distance table cut short
      "deco 1 3 5 0 1 1",
      "tleaf 2 2 3",
      "sub cmplt 4 3 0 1",
      "dist 4 deco 0 2",
      "mesh2D 3",
      "dist 2 dist 3 cmplt",
  };
  for (const char* text : texts) {
    Arch arch;
    std::vector<std::string> messages;
    EXPECT_EQ(loadText(&arch, text, &messages), 1) << text;
    EXPECT_EQ(archSize(&arch), 0) << text;
    EXPECT_STREQ(archName(&arch), "") << text;
    EXPECT_EQ(archVar(&arch), 0) << text;
    EXPECT_EQ(saveText(&arch), "") << text;
    EXPECT_EQ(archExit(&arch), 0) << text;
    loadTextOrFail(&arch, "cmplt 3");
    EXPECT_EQ(archSize(&arch), 3) << text;
    archExit(&arch);
  }
}

// The complete graph, as the interface describes it in full.
TEST(ArchCmplt, SplitsDistancesAndTerminals) {
  Arch arch;
  loadTextOrFail(&arch, "cmplt 5");
  ArchDom whole = archtest::wholeDomain(&arch);
  EXPECT_EQ(archtest::saveDomText(&arch, whole), "0 5 ");
  ArchDom halves[2];
  ASSERT_EQ(archDomBipart(&arch, &whole, &halves[0], &halves[1]), 0);
  EXPECT_EQ(archtest::saveDomText(&arch, halves[0]), "0 2 ");
  EXPECT_EQ(archtest::saveDomText(&arch, halves[1]), "2 3 ");
  ArchDom single = archtest::terminalDomain(&arch, 0);
  ArchDom unused[2];
  EXPECT_EQ(archDomBipart(&arch, &single, &unused[0], &unused[1]), 1);
  EXPECT_EQ(archDomDist(&arch, &halves[0], &halves[1]), 1);
  EXPECT_EQ(archDomDist(&arch, &halves[0], &whole), 1);
  EXPECT_EQ(archDomWeight(&arch, &halves[1]), 3);
  // The split may be written over its input.
  ASSERT_EQ(archDomBipart(&arch, &halves[1], &halves[1], &halves[0]), 0);
  EXPECT_EQ(archtest::saveDomText(&arch, halves[1]), "2 1 ");
  EXPECT_EQ(archtest::saveDomText(&arch, halves[0]), "3 2 ");
  archtest::checkArchitecture(&arch);
  archExit(&arch);
}

TEST(ArchCmplt, DomainFileBounds) {
  Arch arch;
  loadTextOrFail(&arch, "cmplt 5");
  const char* bad[] = {"", "0", "0 0", "-1 2", "5 1", "4 2", "2 -1", "x 1", "3 2147483647"};
  for (const char* text : bad) {
    ArchDom domain;
    std::vector<std::string> messages;
    EXPECT_EQ(archtest::loadDomText(&arch, &domain, text, &messages), 1) << text;
    ASSERT_FALSE(messages.empty()) << text;
    EXPECT_EQ(messages.front(), "ERROR: archCmpltDomLoad: bad input");
  }
  ArchDom domain;
  EXPECT_EQ(archtest::loadDomText(&arch, &domain, " 4 1 ", nullptr), 0);
  EXPECT_EQ(archDomNumber(&arch, &domain), 4);
  archExit(&arch);
}

// Pass 0 of 5 terminals leaves the last one single; pass 1 of 3 the first.
TEST(ArchCmplt, MatchingAlternatesTheSingleTerminal) {
  Arch arch;
  ASSERT_EQ(archCmpltArchBuild(&arch, 5), 0);
  ArchMatch match;
  ASSERT_EQ(archMatchInit(&match, &arch), 0);
  ArchCoarsenMulti* pairs = nullptr;
  auto level = [&]() {
    GraphNum count = archMatchMate(&match, &pairs);
    std::string text;
    for (GraphNum i = 0; i < count; i++)
      text += std::to_string(pairs[i].terminals[0]) + "-" + std::to_string(pairs[i].terminals[1]) + " ";
    return text;
  };
  EXPECT_EQ(level(), "0-1 2-3 4-4 ");
  EXPECT_EQ(level(), "0-0 1-2 ");
  EXPECT_EQ(level(), "0-1 ");
  EXPECT_EQ(archMatchMate(&match, &pairs), -1);
  archMatchExit(&match);
  archExit(&arch);
}

TEST(ArchCmplt, Sizes) {
  for (GraphNum n : {1, 2, 3, 5, 8, 17, 64, 100}) {
    SCOPED_TRACE(n);
    Arch arch;
    ASSERT_EQ(archCmpltArchBuild(&arch, n), 0);
    archtest::checkArchitecture(&arch);
    int levels = 0;
    while ((GraphNum{1} << levels) < n) levels++;  // each level halves the count, rounding up
    EXPECT_EQ(archtest::checkMatching(&arch), levels);
    archExit(&arch);
  }
}

TEST(ArchPublic, HandleBuildsSavesAndLoads) {
  EXPECT_GE(static_cast<size_t>(sizeof(PLYXEN_Arch)), static_cast<size_t>(PLYXEN_archRecordSize()));
  PLYXEN_Arch* arch = PLYXEN_archAlloc();
  ASSERT_NE(arch, nullptr);
  ASSERT_EQ(PLYXEN_archInit(arch), 0);
  EXPECT_STREQ(PLYXEN_archName(arch), "");
  ASSERT_EQ(PLYXEN_archCmplt(arch, 12), 0);
  EXPECT_STREQ(PLYXEN_archName(arch), "cmplt");
  EXPECT_EQ(PLYXEN_archSize(arch), 12);
  EXPECT_EQ(PLYXEN_archVar(arch), 0);
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  EXPECT_EQ(PLYXEN_archSave(arch, stream), 0);
  fclose(stream);
  EXPECT_EQ(std::string(buffer, size), "cmplt\n12\n");
  PLYXEN_archExit(arch);

  stream = archtest::openText(std::string(buffer, size));
  free(buffer);
  EXPECT_EQ(PLYXEN_archLoad(arch, stream), 0);
  fclose(stream);
  EXPECT_EQ(PLYXEN_archSize(arch), 12);
  PLYXEN_archExit(arch);
  EXPECT_STREQ(PLYXEN_archName(arch), "");
  memFree(arch);

  ErrorCapture capture;
  PLYXEN_Arch local;
  PLYXEN_archInit(&local);
  EXPECT_EQ(PLYXEN_archCmplt(&local, 0), 1);
  EXPECT_EQ(capture.first(), "ERROR: archCmpltArchBuild: invalid parameters");
}

}  // namespace
