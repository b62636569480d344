// Every architecture class, several sizes each, through the shared
// consistency check; then the bad files of every class, each with its
// message.
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
    {"cmpltw", "archCmpltwArchLoad: bad input (1)"},
    {"cmpltw 0", "archCmpltwArchLoad: bad input (1)"},
    {"cmpltw 3 1 2", "archCmpltwArchLoad: bad input (2)"},
    {"cmpltw 3 1 0 2", "archCmpltwArchLoad: bad input (2)"},
    {"cmpltw 2000000000 1 2 3", "archCmpltwArchLoad: bad input (2)"},
    {"cmpltw 2 2000000000 2000000000", "archCmpltwArchLoad: bad input (2)"},
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
