// plyxen convert.
#include "tool.h"

int toolConvert(int argc, char** argv) {
  std::string fromName, toName;
  bool help = false;
  std::vector<std::string> positional;
  if (toolParseOptions("convert", argc, argv, {{"--from", &fromName, nullptr}, {"--to", &toName, nullptr}},
                       &positional, &help) != 0)
    return 1;
  if (help) {
    fputs(toolUsageConvert, stdout);
    return 0;
  }
  if (positional.size() != 2) {
    errorPrint("plyxen convert: an input file and an output file expected (plyxen convert --help)");
    return 1;
  }
  ToolFormat from = fromName.empty() ? FORMAT_NONE : toolFormatByName(fromName);
  ToolFormat to = toName.empty() ? toolFormatByExtension(positional[1]) : toolFormatByName(toName);
  if ((!fromName.empty() && from == FORMAT_NONE) || (!toName.empty() && to == FORMAT_NONE)) {
    errorPrint("plyxen convert: unknown format \"%s\" (grf, metis or mtx)",
               (!fromName.empty() && from == FORMAT_NONE) ? fromName.c_str() : toName.c_str());
    return 1;
  }
  if (to == FORMAT_NONE) {
    errorPrint("plyxen convert: cannot tell the format of \"%s\" from its name (use --to grf|metis|mtx)",
               positional[1].c_str());
    return 1;
  }
  ToolGraph graph;
  if (toolGraphRead(&graph, positional[0], from, "convert") != 0) return 1;
  ToolOutput output;
  if (output.open(positional[1]) != 0 || toolGraphWrite(graph.core(), output.stream(), to) != 0 ||
      output.commit() != 0)
    return 1;
  return 0;
}
