// Feeds the kept corpus through a fuzz target's checks without libFuzzer:
// every file in the directories (or the files) named on the command line, plus
// the empty input. A broken rule aborts, so the test fails; nothing is fuzzed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

std::vector<std::filesystem::path> inputsIn(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(path)) {
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
      if (entry.is_regular_file()) {
        files.push_back(entry.path());
      }
    }
    std::sort(files.begin(), files.end());  // the same order on every run
  } else if (std::filesystem::is_regular_file(path)) {
    files.push_back(path);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint8_t none = 0;
  LLVMFuzzerTestOneInput(&none, 0);

  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::filesystem::path& file : inputsIn(argv[i])) {
      std::ifstream stream(file, std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(stream),
                              std::istreambuf_iterator<char>()};
      if (!stream.good() && !stream.eof()) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  // An empty or missing corpus would pass while checking nothing.
  if (replayed == 0) {
    std::fprintf(stderr, "no corpus input found\n");
    return 1;
  }
  std::printf("replayed %zu inputs\n", replayed);
  return 0;
}
