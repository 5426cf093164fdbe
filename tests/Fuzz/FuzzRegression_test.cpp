// Every kept input of every fuzz target, replayed through the target's FuzzOne: the inputs
// that once crashed a target or broke one of its properties (regressions/<target>/), and the
// seed corpus the fuzzers start from (fuzz/corpus/<target>/). A broken property fails the
// test with the target's own sentence; a memory error shows in the sanitizer build.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzTargets.h"

namespace {

namespace fs = std::filesystem;

struct Target {
  const char* name;
  int (*fuzz_one)(const uint8_t* data, size_t size);
};

const Target kTargets[] = {
    {"codec", qeva_fuzz::codec::FuzzOne},
    {"channels", qeva_fuzz::channels::FuzzOne},
    {"gammarkup", qeva_fuzz::gammarkup::FuzzOne},
    {"display", qeva_fuzz::display::FuzzOne},
};

// The files of |directory|, sorted by name; none when it does not exist.
std::vector<fs::path> FilesIn(const fs::path& directory) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file()) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>());
}

// Replays |files| through |target|; each broken property becomes a test failure that names
// the file.
void Replay(const Target& target, const std::vector<fs::path>& files) {
  std::string current;
  qeva_fuzz::SetFailureHandler(
      [&current](const std::string& what) { ADD_FAILURE() << current << ": " << what; });
  // The channel layer warns on stderr about each call left unanswered, which many inputs do
  // on purpose.
  qeva_fuzz::SilencedStream quiet(std::cerr);
  for (const fs::path& file : files) {
    current = file.filename().string();
    SCOPED_TRACE(std::string(target.name) + "/" + current);
    std::vector<uint8_t> bytes = ReadAll(file);
    EXPECT_EQ(target.fuzz_one(bytes.data(), bytes.size()), 0);
  }
  qeva_fuzz::SetFailureHandler(nullptr);
}

TEST(FuzzRegression, EveryTargetPassesItsRegressionInputs) {
  for (const Target& target : kTargets) {
    SCOPED_TRACE(target.name);
    Replay(target, FilesIn(fs::path(QEVA_FUZZ_REGRESSIONS_DIR) / target.name));
  }
}

TEST(FuzzRegression, EveryTargetPassesItsSeedCorpus) {
  for (const Target& target : kTargets) {
    SCOPED_TRACE(target.name);
    std::vector<fs::path> seeds = FilesIn(fs::path(QEVA_FUZZ_CORPUS_DIR) / target.name);
    // A corpus that went missing would make this test pass on nothing.
    EXPECT_FALSE(seeds.empty()) << "no seeds for " << target.name;
    Replay(target, seeds);
  }
}

// The replay itself must be able to fail: an input that breaks a property reaches the
// handler instead of passing silently.
TEST(FuzzRegression, ABrokenPropertyReachesTheFailureHandler) {
  std::vector<std::string> reported;
  qeva_fuzz::SetFailureHandler([&reported](const std::string& what) { reported.push_back(what); });
  const uint8_t bytes[] = {0x03, 0x2a};
  const bool held = qeva_fuzz::CheckInput(false, "example property", bytes, sizeof(bytes));
  qeva_fuzz::SetFailureHandler(nullptr);
  EXPECT_FALSE(held);
  EXPECT_EQ(reported, std::vector<std::string>{"example property (input 03 2a)"});
}

}  // namespace
