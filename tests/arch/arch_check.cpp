#include "arch_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

namespace archtest {

FILE* openText(const std::string& text) {
  FILE* stream = tmpfile();
  if (stream == nullptr) abort();
  fwrite(text.data(), 1, text.size(), stream);
  rewind(stream);
  return stream;
}

int loadText(Arch* arch, const std::string& text, std::vector<std::string>* messages) {
  ErrorCapture capture;
  archInit(arch);
  FILE* stream = openText(text);
  int result = archLoad(arch, stream);
  fclose(stream);
  if (messages != nullptr) *messages = capture.lines;
  return result;
}

void loadTextOrFail(Arch* arch, const std::string& text) {
  std::vector<std::string> messages;
  int result = loadText(arch, text, &messages);
  ASSERT_EQ(result, 0) << text << "\n" << (messages.empty() ? std::string() : messages.front());
  ASSERT_TRUE(messages.empty()) << messages.front();
}

namespace {

// Runs a writer into a memory stream and returns what it wrote.
std::string captureText(const std::function<int(FILE*)>& writer, int* result) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  int status = writer(stream);
  fclose(stream);
  std::string text(buffer, size);
  free(buffer);
  if (result != nullptr) *result = status;
  return text;
}

}  // namespace

std::string saveText(const Arch* arch, int* result) {
  return captureText([arch](FILE* stream) { return archSave(arch, stream); }, result);
}

std::string saveDomText(const Arch* arch, const ArchDom& domain) {
  int result = 1;
  std::string text = captureText([&](FILE* stream) { return archDomSave(arch, &domain, stream); }, &result);
  EXPECT_EQ(result, 0);
  return text;
}

int loadDomText(const Arch* arch, ArchDom* domain, const std::string& text, std::vector<std::string>* messages) {
  ErrorCapture capture;
  FILE* stream = openText(text);
  int result = archDomLoad(arch, domain, stream);
  fclose(stream);
  if (messages != nullptr) *messages = capture.lines;
  return result;
}

ArchDom wholeDomain(const Arch* arch) {
  ArchDom domain;
  EXPECT_EQ(archDomFirst(arch, &domain), 0);
  return domain;
}

ArchDom terminalDomain(const Arch* arch, GraphNum terminal) {
  ArchDom domain;
  memset(&domain, 0, sizeof(domain));
  EXPECT_EQ(archDomTerminal(arch, &domain, terminal), 0) << "terminal " << terminal;
  return domain;
}

std::vector<GraphNum> terminalsOf(const Arch* arch, const ArchDom& domain) {
  std::vector<GraphNum> terminals;
  std::vector<ArchDom> stack{domain};
  while (!stack.empty()) {
    ArchDom current = stack.back();
    stack.pop_back();
    ArchDom halves[2];
    if (archDomBipart(arch, &current, &halves[0], &halves[1]) != 0) {
      terminals.push_back(archDomNumber(arch, &current));
      continue;
    }
    stack.push_back(halves[1]);
    stack.push_back(halves[0]);
  }
  return terminals;
}

std::vector<GraphNum> distanceMatrix(const Arch* arch) {
  GraphNum n = archSize(arch);
  std::vector<ArchDom> terminals;
  for (GraphNum t = 0; t < n; t++) terminals.push_back(terminalDomain(arch, t));
  std::vector<GraphNum> matrix(static_cast<size_t>(n) * n);
  for (GraphNum i = 0; i < n; i++)
    for (GraphNum j = 0; j < n; j++)
      matrix[static_cast<size_t>(i) * n + j] = archDomDist(arch, &terminals[i], &terminals[j]);
  return matrix;
}

namespace {

// Terminals checked in pairs: all of them for small machines, else a spread
// sample that keeps the first and last.
std::vector<GraphNum> sampleTerminals(GraphNum n, GraphNum maxPairs) {
  std::vector<GraphNum> sample;
  if (n <= maxPairs) {
    for (GraphNum t = 0; t < n; t++) sample.push_back(t);
    return sample;
  }
  for (GraphNum i = 0; i < maxPairs; i++)
    sample.push_back(static_cast<GraphNum>((static_cast<int64_t>(n - 1) * i) / (maxPairs - 1)));
  return sample;
}

void checkDomainFile(const Arch* arch, const ArchDom& domain) {
  std::string text = saveDomText(arch, domain);
  ArchDom loaded;
  std::vector<std::string> messages;
  ASSERT_EQ(loadDomText(arch, &loaded, text, &messages), 0) << text << " " << (messages.empty() ? "" : messages[0]);
  EXPECT_EQ(saveDomText(arch, loaded), text);
  EXPECT_EQ(archDomDist(arch, &domain, &loaded), 0) << text;
  EXPECT_EQ(archDomSize(arch, &loaded), archDomSize(arch, &domain)) << text;
  EXPECT_EQ(archDomWeight(arch, &loaded), archDomWeight(arch, &domain)) << text;
  EXPECT_EQ(archDomNumber(arch, &loaded), archDomNumber(arch, &domain)) << text;
  EXPECT_EQ(archDomIncludes(arch, &domain, &loaded), 1) << text;
  EXPECT_EQ(archDomIncludes(arch, &loaded, &domain), 1) << text;
}

// Splits the domain recursively; returns its terminals in split order.
std::vector<GraphNum> checkSplits(const Arch* arch, const ArchDom& domain, std::vector<ArchDom>* domains, int depth) {
  domains->push_back(domain);
  EXPECT_EQ(archDomDist(arch, &domain, &domain), 0);
  EXPECT_EQ(archDomIncludes(arch, &domain, &domain), 1);
  ArchDom halves[2];
  if (archDomBipart(arch, &domain, &halves[0], &halves[1]) != 0) {
    EXPECT_EQ(archDomSize(arch, &domain), 1);
    GraphNum terminal = archDomNumber(arch, &domain);
    ArchDom alone = terminalDomain(arch, terminal);
    EXPECT_EQ(archDomDist(arch, &alone, &domain), 0) << "terminal " << terminal;
    return {terminal};
  }
  EXPECT_LT(depth, 200) << "splits do not end";
  if (depth >= 200) return {};
  std::vector<GraphNum> all;
  for (int side = 0; side < 2; side++) {
    const ArchDom& half = halves[side];
    const ArchDom& other = halves[1 - side];
    EXPECT_GE(archDomSize(arch, &half), 1);
    EXPECT_LT(archDomSize(arch, &half), archDomSize(arch, &domain));
    EXPECT_EQ(archDomIncludes(arch, &domain, &half), 1);
    EXPECT_EQ(archDomIncludes(arch, &half, &domain), 0);
    EXPECT_EQ(archDomIncludes(arch, &half, &other), 0);
    EXPECT_EQ(archDomDist(arch, &half, &other), archDomDist(arch, &other, &half));
    std::vector<GraphNum> part = checkSplits(arch, half, domains, depth + 1);
    EXPECT_EQ(static_cast<GraphNum>(part.size()), archDomSize(arch, &half));
    for (GraphNum terminal : part) {
      ArchDom alone = terminalDomain(arch, terminal);
      EXPECT_EQ(archDomIncludes(arch, &half, &alone), 1) << "terminal " << terminal;
      EXPECT_EQ(archDomIncludes(arch, &other, &alone), 0) << "terminal " << terminal;
    }
    all.insert(all.end(), part.begin(), part.end());
  }
  EXPECT_EQ(archDomSize(arch, &halves[0]) + archDomSize(arch, &halves[1]), archDomSize(arch, &domain));
  EXPECT_EQ(archDomWeight(arch, &halves[0]) + archDomWeight(arch, &halves[1]), archDomWeight(arch, &domain));
  // The number of a domain is that of one of its terminals.
  GraphNum number = archDomNumber(arch, &domain);
  EXPECT_NE(std::find(all.begin(), all.end(), number), all.end()) << "number " << number;
  return all;
}

}  // namespace

int checkMatching(const Arch* arch) {
  if (archHasMatch(arch) == 0) return 0;
  ArchMatch match;
  ErrorCapture capture;
  EXPECT_EQ(archMatchInit(&match, arch), 0) << capture.first();
  GraphNum current = archSize(arch);
  int levels = 0;
  for (;;) {
    ArchCoarsenMulti* pairs = nullptr;
    GraphNum count = archMatchMate(&match, &pairs);
    if (count < 0) break;
    levels++;
    EXPECT_LT(count, current) << "level " << levels;
    EXPECT_GE(count, (current + 1) / 2) << "level " << levels;
    std::vector<int> seen(current, 0);
    for (GraphNum i = 0; i < count; i++)
      for (int side = 0; side < 2; side++) {
        GraphNum terminal = pairs[i].terminals[side];
        EXPECT_TRUE(terminal >= 0 && terminal < current) << "level " << levels << " pair " << i;
        if (terminal < 0 || terminal >= current) continue;
        if (side == 1 && terminal == pairs[i].terminals[0]) continue;  // a single terminal
        seen[terminal]++;
      }
    for (GraphNum t = 0; t < current; t++) EXPECT_EQ(seen[t], 1) << "level " << levels << " terminal " << t;
    if (count >= current || levels > 100) break;
    current = count;
  }
  EXPECT_EQ(current, 1) << "the levels end before one terminal is left";
  archMatchExit(&match);
  return levels;
}

void checkArchitecture(const Arch* arch, GraphNum maxPairs) {
  ASSERT_EQ(archVar(arch), 0);
  const GraphNum n = archSize(arch);
  ASSERT_GE(n, 1);
  ArchDom whole = wholeDomain(arch);
  EXPECT_EQ(archDomSize(arch, &whole), n);

  // Terminal numbers round-trip; there is no terminal n.
  std::vector<GraphNum> sample = sampleTerminals(n, maxPairs);
  for (GraphNum t : sample) {
    ArchDom terminal = terminalDomain(arch, t);
    EXPECT_EQ(archDomNumber(arch, &terminal), t);
    EXPECT_EQ(archDomSize(arch, &terminal), 1);
    EXPECT_EQ(archDomIncludes(arch, &whole, &terminal), 1);
  }
  ArchDom beyond;
  EXPECT_NE(archDomTerminal(arch, &beyond, n), 0);
  EXPECT_NE(archDomTerminal(arch, &beyond, -1), 0);

  // Distances: symmetric, zero exactly on the diagonal, never negative.
  for (GraphNum i : sample) {
    ArchDom first = terminalDomain(arch, i);
    for (GraphNum j : sample) {
      ArchDom second = terminalDomain(arch, j);
      GraphNum distance = archDomDist(arch, &first, &second);
      EXPECT_EQ(distance, archDomDist(arch, &second, &first)) << i << " " << j;
      if (i == j)
        EXPECT_EQ(distance, 0) << i;
      else
        EXPECT_GT(distance, 0) << i << " " << j;
    }
  }

  // Splits down to single terminals cover every terminal once.
  std::vector<ArchDom> domains;
  std::vector<GraphNum> all = checkSplits(arch, whole, &domains, 0);
  std::sort(all.begin(), all.end());
  ASSERT_EQ(static_cast<GraphNum>(all.size()), n);
  for (GraphNum t = 0; t < n; t++) EXPECT_EQ(all[t], t);

  // Domain files round-trip, for a spread of the split domains.
  size_t step = std::max<size_t>(1, domains.size() / 200);
  for (size_t i = 0; i < domains.size(); i += step) checkDomainFile(arch, domains[i]);

  // Saving and loading again gives the same text and the same distances.
  int result = 1;
  std::string text = saveText(arch, &result);
  EXPECT_EQ(result, 0);
  Arch loaded;
  loadTextOrFail(&loaded, text);
  EXPECT_EQ(saveText(&loaded), text);
  EXPECT_EQ(archSize(&loaded), n);
  EXPECT_STREQ(archName(&loaded), archName(arch));
  for (GraphNum i : sample)
    for (GraphNum j : sample) {
      ArchDom first = terminalDomain(arch, i), second = terminalDomain(arch, j);
      ArchDom loadedFirst = terminalDomain(&loaded, i), loadedSecond = terminalDomain(&loaded, j);
      EXPECT_EQ(archDomDist(&loaded, &loadedFirst, &loadedSecond), archDomDist(arch, &first, &second)) << i << " " << j;
    }
  std::vector<GraphNum> loadedSplit = terminalsOf(&loaded, wholeDomain(&loaded));
  EXPECT_EQ(loadedSplit, terminalsOf(arch, whole));
  archExit(&loaded);

  checkMatching(arch);
}

void checkVariableArchitecture(const Arch* arch, int depth) {
  ASSERT_EQ(archVar(arch), 1);
  ArchDom whole = wholeDomain(arch);
  std::vector<ArchDom> level{whole};
  std::vector<ArchDom> all{whole};
  for (int d = 0; d < depth; d++) {
    std::vector<ArchDom> next;
    for (const ArchDom& domain : level) {
      ArchDom halves[2];
      ASSERT_EQ(archDomBipart(arch, &domain, &halves[0], &halves[1]), 0);
      for (const ArchDom& half : halves) {
        EXPECT_EQ(archDomIncludes(arch, &domain, &half), 1);
        EXPECT_EQ(archDomIncludes(arch, &half, &domain), 0);
        EXPECT_EQ(archDomSize(arch, &half), 1);
        next.push_back(half);
      }
      EXPECT_EQ(archDomIncludes(arch, &halves[0], &halves[1]), 0);
    }
    level = next;
    all.insert(all.end(), next.begin(), next.end());
  }
  std::set<GraphNum> numbers;
  for (const ArchDom& first : all) {
    numbers.insert(archDomNumber(arch, &first));
    ArchDom again = terminalDomain(arch, archDomNumber(arch, &first));
    EXPECT_EQ(archDomDist(arch, &again, &first), 0);
    checkDomainFile(arch, first);
    for (const ArchDom& second : all) {
      GraphNum distance = archDomDist(arch, &first, &second);
      EXPECT_EQ(distance, archDomDist(arch, &second, &first));
      EXPECT_GE(distance, 0);
    }
  }
  EXPECT_EQ(numbers.size(), all.size()) << "two domains share a number";
  int result = 1;
  std::string text = saveText(arch, &result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(text, std::string(archName(arch)) + "\n");
  Arch loaded;
  loadTextOrFail(&loaded, text);
  EXPECT_EQ(saveText(&loaded), text);
  EXPECT_EQ(archVar(&loaded), 1);
  archExit(&loaded);
}

}  // namespace archtest
