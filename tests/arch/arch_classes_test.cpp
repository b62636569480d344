// Every architecture class, several sizes each, through the shared
// consistency check; then the bad files of every class, each with its
// message.
#include <sys/resource.h>

#include "arch_check.h"

using archtest::loadText;
using archtest::loadTextOrFail;

namespace {

const char* const fixedArchitectures[] = {
    "cmplt 1",
    "cmplt 7",
    "cmplt 40",
    "cmpltw 1 5",
    "cmpltw 4 1 2 3 4",
    "cmpltw 9 100 1 1 1 1 1 1 1 1",
    "cmpltw 12 5 3 8 1 1 9 2 7 4 4 6 2",
    "cmpltw 7 1 2 4 8 16 32 64",
    "deco 0 1 1 0 4 1",
    "deco 0 4 7  0 1 4  1 1 5  2 1 6  3 1 7  1  2 2  2 2 1",
    "deco 0 3 7  0 2 2  1 1 6  2 1 7  3  3 1",
    "deco 0 2 5  1 1 4  0 3 5  7",
    "deco 0 5 15  4 1 2  0 1 12  1 2 13  3 1 15  2 1 14  1  4 3  4 3 2  5 5 6 6",
    "deco 1 2 3  0 2 2  0 1 1  1 1 1  1 1 2",
    "deco 2 3 5 2  0 -1 1 2 0 3 3 0 1  1 0 3 4 1 2 2 0 0  2 0 -1 -1 1 1 1 2 2"
    "  3 1 -1 -1 2 1 1 0 0  4 1 -1 -1 2 1 1 1 1  0 1 2  0 1 1 2",
    "deco 2 1 1 0  0 -1 -1 -1 0 1 4 0 0  0",
    "dist 1 cmplt 5",
    "dist 3 mesh2D 3 3",
    "dist 2 dist 5 tleaf 2 2 10 3 1",
    "dist 7\tcmpltw 4 1 2 3 4",
    "hcub 1",
    "hcub 3",
    "hcub 6",
    "tleaf 0",
    "tleaf 1 5 3",
    "tleaf 2 2 10 4 1",
    "tleaf 3 3 20 2 5 3 1",
    "tleaf 4 2 8 3 4 2 2 5 1",
    "ltleaf 2 2 10 4 1 8 7 6 5 4 3 2 1 0",
    "ltleaf 2 3 5 2 1 6 3 0 4 1 5 2",
    "ltleaf 0 1 0",
    "mesh2D 1 1",
    "mesh2D 4 2",
    "mesh2D 3 5",
    "mesh2D 16 16",
    "mesh3D 1 1 1",
    "mesh3D 2 3 4",
    "mesh3D 5 5 5",
    "meshXD 1 9",
    "meshXD 2 4 4",
    "meshXD 4 2 3 2 3",
    "meshXD 5 2 2 2 2 2",
    "sub 1 4 mesh2D 3 3",
    "sub 3 0 5 9 cmplt 10",
    "sub 4 0 3 12 15 mesh2D 4 4",
    "sub 5 7 1 3 0 6 hcub 3",
    "sub 3 2 0 5 tleaf 2 2 10 4 1",
    "sub 6 1 4 7 10 13 16 torus2D 6 3",
    "sub 2 1 0\nsub 3 4 2 0\ncmplt 5",
    "sub 4 3 2 1 0 cmpltw 6 4 1 1 2 8 3",
    "sub 3 0 2 3 dist 4 meshXD 1 4",
    "torus2D 1 5",
    "torus2D 4 4",
    "torus2D 7 3",
    "torus3D 3 3 3",
    "torus3D 4 2 5",
    "torusXD 1 11",
    "torusXD 3 4 4 4",
    "torusXD 5 3 1 2 2 3",
};

class FixedArchitecture : public testing::TestWithParam<const char*> {};

TEST_P(FixedArchitecture, IsConsistent) {
  Arch arch;
  loadTextOrFail(&arch, GetParam());
  archtest::checkArchitecture(&arch);
  archExit(&arch);
}

INSTANTIATE_TEST_SUITE_P(Classes, FixedArchitecture, testing::ValuesIn(fixedArchitectures));

TEST(VariableArchitecture, IsConsistent) {
  for (const char* text : {"varcmplt", "varhcub", "  varhcub\n"}) {
    SCOPED_TRACE(text);
    Arch arch;
    loadTextOrFail(&arch, text);
    EXPECT_EQ(archHasMatch(&arch), 0);
    archtest::checkVariableArchitecture(&arch, 5);
    archExit(&arch);
  }
}

struct BadFile {
  const char* text;
  const char* message;  // the first message printed
};

const BadFile badFiles[] = {
    {"cmplt", "archCmpltArchLoad: bad input"},
    {"cmplt 0", "archCmpltArchLoad: bad input"},
    {"cmplt -3", "archCmpltArchLoad: bad input"},
    {"cmplt x", "archCmpltArchLoad: bad input"},
    {"cmplt 4294967297", "archCmpltArchLoad: bad input"},
    {"cmplt 99999999999999999999999", "archCmpltArchLoad: bad input"},
    {"cmplt - 3", "archCmpltArchLoad: bad input"},
    {"cmpltw", "archCmpltwArchLoad: bad input (1)"},
    {"cmpltw 0", "archCmpltwArchLoad: bad input (1)"},
    {"cmpltw 3 1 2", "archCmpltwArchLoad: bad input (2)"},
    {"cmpltw 3 1 0 2", "archCmpltwArchLoad: bad input (2)"},
    {"cmpltw 2000000000 1 2 3", "archCmpltwArchLoad: bad input (2)"},
    {"cmpltw 2 2000000000 2000000000", "archCmpltwArchLoad: bad input (2)"},
    {"deco", "archDecoArchLoad: bad input (1)"},
    {"deco 3", "archDecoArchLoad: bad input (1)"},
    {"deco -1 1 1", "archDecoArchLoad: bad input (1)"},
    {"deco 0", "archDecoArchLoad: bad input (2)"},
    {"deco 0 0 1", "archDecoArchLoad: bad input (2)"},
    {"deco 0 3 2", "archDecoArchLoad: bad input (2)"},
    {"deco 1 2 1", "archDecoArchLoad: bad input (2)"},
    {"deco 0 2 3  0 1 2  1 1 4", "archDecoArchLoad: bad input (3)"},
    {"deco 0 2 3  0 1 2  1 0 3", "archDecoArchLoad: bad input (3)"},
    {"deco 0 2 3  0 1 2  2 1 3", "archDecoArchLoad: bad input (3)"},
    {"deco 0 2 3  0 1 2  0 1 3  1", "archDecoArchLoad: bad input (3)"},
    {"deco 0 2 3  0 1 2  1 1 2  1", "archDecoArchLoad: bad input (3)"},
    {"deco 0 2 3  0 1 1  1 1 3  1", "archDecoArchLoad: bad input (3)"},
    {"deco 0 2 3  0 1 2  1 1 3", "archDecoArchLoad: bad input (4)"},
    {"deco 0 2 3  0 1 2  1 1 3  0", "archDecoArchLoad: bad input (4)"},
    {"deco 0 2 2000000000  0 1 1000000000  1 1 1999999999  5", "archDecoArchLoad: labels too sparse to compile"},
    {"deco 0 2000000000 2000000000  0 1 1", "archDecoArchLoad: bad input (3)"},
    {"deco 1 2 3  0 2 2  0 1 1  1 1 1  1 1", "archDecoArchLoad: bad input (6)"},
    {"deco 1 2 3  0 2 2  0 1 1  1 1 1  1 -1 2", "archDecoArchLoad: bad input (6)"},
    {"deco 1 2 3  0 2 2  0 1 1", "archDecoArchLoad: bad input (5)"},
    {"deco 1 2 3  0 2 3  0 1 1  1 1 1  1 1 2", "archDecoArchLoad: bad input (5)"},
    {"deco 1 2 3  0 2 2  0 1 1  0 1 1  1 1 2", "archDecoArchLoad: bad input (5)"},
    {"deco 1 2 3  1 2 2  0 1 1  1 1 1  1 1 2", "archDecoArchLoad: bad input (5)"},
    {"deco 1 2 3  0 2 2  0 2 1  1 1 1  1 1 2", "archDecoArchLoad: bad input (5)"},
    {"deco 1 2 2000000000  0 2 2", "archDecoArchLoad: bad input (5)"},
    {"deco 2", "archDeco2ArchLoad2: bad input (1)"},
    {"deco 2 3 4 2", "archDeco2ArchLoad2: bad input (1)"},
    {"deco 2 0 -1 0", "archDeco2ArchLoad2: bad input (1)"},
    {"deco 2 1000000000 1999999999 5  0 -1 1 2 0", "archDeco2ArchLoad2: bad input (2)"},
    {"deco 2 2 3 1  1 -1 1 2 0 2 2 0 0", "archDeco2ArchLoad2: bad input (2)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 0",
     "archDeco2ArchLoad2: bad input (4)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0",
     "archDeco2ArchLoad2: bad input (4)"},
    {"deco 2 2 3 1  0 -1 2 1 0 2 2 0 0  1 0 -1 1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (3)"},
    {"deco 2 2 3 1  0 -1 1 1 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (3)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 1 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (3)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 3 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (5)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 1 1  2 0 -1 -1 1 1 1 0 0  0 1",
     "archDeco2ArchLoad2: bad input (5)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 2 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (5)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 1  2 0 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (5)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1  0 0",
     "archDeco2ArchLoad2: bad input (6)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1  0 2",
     "archDeco2ArchLoad2: bad input (6)"},
    {"deco 2 2 3 1  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1  0",
     "archDeco2ArchLoad2: bad input (6)"},
    {"deco 2 2 3 0  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1",
     "archDeco2ArchLoad2: bad input (7)"},
    {"deco 2 2 3 1000000000  0 -1 1 2 0 2 2 0 0  1 0 -1 -1 1 1 1 0 0  2 0 -1 -1 1 1 1 1 1  0 1  0 1",
     "archDeco2ArchLoad2: bad input (6)"},
    {"dist", "archDistArchLoad: bad input"},
    {"dist 0 cmplt 3", "archDistArchLoad: bad input"},
    {"dist -2 cmplt 3", "archDistArchLoad: bad input"},
    {"dist 2", "archLoad: cannot load architecture type"},
    {"dist 2 nothing 3", "archLoad: invalid architecture type"},
    {"dist 2 cmplt 0", "archCmpltArchLoad: bad input"},
    {"dist 2 varcmplt", "archDistArchLoad: variable-sized architectures not supported"},
    {"hcub", "archHcubArchLoad: bad input"},
    {"hcub 0", "archHcubArchLoad: bad input"},
    {"hcub 31", "archHcubArchLoad: bad input"},
    {"hcub 32", "archHcubArchLoad: bad input"},
    {"hcub -2", "archHcubArchLoad: bad input"},
    {"tleaf", "archTleafArchLoad: bad input (1)"},
    {"tleaf -1", "archTleafArchLoad: bad input (1)"},
    {"tleaf 31 2 1", "archTleafArchLoad: bad input (1)"},
    {"tleaf 2000000000 2 1", "archTleafArchLoad: bad input (1)"},
    {"tleaf 2 2 1", "archTleafArchLoad: bad input (2)"},
    {"tleaf 2 2 1 1 1", "archTleafArchLoad: bad input (2)"},
    {"tleaf 1 2 0", "archTleafArchLoad: bad input (2)"},
    {"tleaf 3 2048 1 2048 1 1024 1", "archTleafArchLoad: bad input (2)"},
    {"ltleaf 1 3 1", "archLtleafArchLoad: bad input (1)"},
    {"ltleaf 1 3 1 2 0 1", "archLtleafArchLoad: bad input (1)"},
    {"ltleaf 1 3 1 4 0 1 2 3", "archLtleafArchLoad: bad input (1)"},
    {"ltleaf 1 3 1 3 0 1", "archLtleafArchLoad: bad input (2)"},
    {"ltleaf 1 3 1 3 0 1 1", "archLtleafArchLoad: bad input (2)"},
    {"ltleaf 1 3 1 3 0 3 1", "archLtleafArchLoad: bad input (2)"},
    {"ltleaf 1 3 1 3 0 -1 1", "archLtleafArchLoad: bad input (2)"},
    {"ltleaf 2 0 1", "archTleafArchLoad: bad input (2)"},
    {"ltleaf 2 32768 1 32768 1 1073741824 5", "archLtleafArchLoad: bad input (2)"},
    {"sub", "archSubArchLoad: bad input (1)"},
    {"sub 0 cmplt 3", "archSubArchLoad: bad input (1)"},
    {"sub 2 0 cmplt 3", "archSubArchLoad: bad input (2)"},
    {"sub 2 0 -1 cmplt 3", "archSubArchLoad: bad input (2)"},
    {"sub 2000000000 1 2", "archSubArchLoad: bad input (1)"},
    {"sub 1000000000 1 2", "archSubArchLoad: bad input (2)"},
    {"sub 2 0 1", "archLoad: cannot load architecture type"},
    {"sub 2 0 1 cmplt 0", "archCmpltArchLoad: bad input"},
    {"sub 2 0 3 cmplt 3", "archSubArchBuild: cannot create sub-architecture (1)"},
    {"sub 3 0 2 0 cmplt 3", "archSubArchBuild: cannot create sub-architecture (2)"},
    {"sub 2 0 1 varcmplt", "archSubArchBuild: variable-sized architectures not supported"},
    {"mesh2D 4 4294967298", "archMesh2ArchLoad: bad input"},
    {"mesh2D 4", "archMesh2ArchLoad: bad input"},
    {"mesh2D 0 4", "archMesh2ArchLoad: bad input"},
    {"mesh2D 4 -1", "archMesh2ArchLoad: bad input"},
    {"mesh2D 65536 65536", "archMesh2ArchLoad: bad input"},
    {"mesh3D 2 2", "archMesh3ArchLoad: bad input"},
    {"mesh3D 2048 2048 1024", "archMesh3ArchLoad: bad input"},
    {"torus3D 1 1 0", "archMesh3ArchLoad: bad input"},
    {"meshXD", "archMeshXArchLoad: bad input (1)"},
    {"meshXD 0", "archMeshXArchLoad: bad input (1)"},
    {"meshXD 6 2 2 2 2 2 2", "archMeshXArchLoad: bad input (1)"},
    {"meshXD 3 2 2", "archMeshXArchLoad: bad input (2)"},
    {"meshXD 2 2 0", "archMeshXArchLoad: bad input (2)"},
    {"torusXD 5 256 256 256 256 256", "archMeshXArchLoad: bad input (2)"},
    {"torus2D 3 y", "archMesh2ArchLoad: bad input"},
};

class BadArchitectureFile : public testing::TestWithParam<BadFile> {};

TEST_P(BadArchitectureFile, FailsWithItsMessage) {
  Arch arch;
  std::vector<std::string> messages;
  EXPECT_EQ(loadText(&arch, GetParam().text, &messages), 1);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), std::string("ERROR: ") + GetParam().message);
  EXPECT_EQ(messages.back(), "ERROR: archLoad: cannot load architecture data");
  archExit(&arch);  // a failed load leaves the class set and releasable
}

INSTANTIATE_TEST_SUITE_P(Classes, BadArchitectureFile, testing::ValuesIn(badFiles));

}  // namespace

namespace {

// Huge counts that the file does not back must fail on the missing values,
// not on memory: run under an address space cap far below what the counts
// declare. Address sanitizer reserves far more address space than any cap,
// so this test needs a plain build.
TEST(ArchFile, DeclaredCountsAreNotAllocatedAhead) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address space caps do not work under the address sanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "address space caps do not work under the address sanitizer";
#endif
#endif
  auto loadUnderCap = [](const char* text, const char* message) {
    rlimit limit{static_cast<rlim_t>(1) << 30, static_cast<rlim_t>(1) << 30};
    if (setrlimit(RLIMIT_AS, &limit) != 0) exit(2);
    Arch arch;
    std::vector<std::string> messages;
    int result = loadText(&arch, text, &messages);
    archExit(&arch);
    exit((result == 1 && !messages.empty() && messages.front() == std::string("ERROR: ") + message) ? 0 : 1);
  };
  EXPECT_EXIT(loadUnderCap("cmpltw 2000000000 1 2 3", "archCmpltwArchLoad: bad input (2)"),
              testing::ExitedWithCode(0), "");
  EXPECT_EXIT(loadUnderCap("ltleaf 2 32768 1 32768 1 1073741824 5", "archLtleafArchLoad: bad input (2)"),
              testing::ExitedWithCode(0), "");
  EXPECT_EXIT(loadUnderCap("sub 1000000000 1 2", "archSubArchLoad: bad input (2)"), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(loadUnderCap("deco 1 2 2000000000  0 2 2", "archDecoArchLoad: bad input (5)"),
              testing::ExitedWithCode(0), "");
  EXPECT_EXIT(loadUnderCap("deco 0 2000000000 2000000000  0 1 1", "archDecoArchLoad: bad input (3)"),
              testing::ExitedWithCode(0), "");
  EXPECT_EXIT(loadUnderCap("deco 2 1000000000 1999999999 5  0 -1 1 2 0", "archDeco2ArchLoad2: bad input (2)"),
              testing::ExitedWithCode(0), "");
}

}  // namespace
