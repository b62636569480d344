// Replays files through a fuzz target without libFuzzer, so that the corpus
// of every target (its seeds and every input that once found a fault) runs
// in the ordinary test suite, with any compiler and under the sanitizers.
//
// Usage: fuzz_replay_TARGET PATH...; a directory stands for its files, in
// name order. Fails when no input was found, so that a missing corpus
// cannot pass; any fault of the target ends the run with a signal.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replayFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
  // A copy of exactly the file's size, so that a read past the input's end
  // is caught by the address sanitizer as it would be under libFuzzer.
  std::vector<uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  size_t replayed = 0;
  for (int i = 1; i < argc; i++) {
    const std::filesystem::path path(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(path);
    }
    for (const auto& file : files) {
      if (replayFile(file) != 0) return 1;
      replayed++;
    }
  }
  if (replayed == 0) {
    fprintf(stderr, "no input to replay\n");
    return 1;
  }
  fprintf(stderr, "%zu inputs replayed\n", replayed);
  return 0;
}
