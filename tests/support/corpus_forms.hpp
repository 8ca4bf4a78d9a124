#pragma once

// The text form files of the corpus, read where they are.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace keyloom::test {

inline std::string ReadWholeFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

// Every Every-th .dfm and .lfm file of the corpus in name order; none without a corpus.
inline std::vector<std::filesystem::path> CorpusForms(std::size_t Every = 1) {
  namespace fs = std::filesystem;
  std::vector<fs::path> All;
  const fs::path Root = KEYLOOM_CORPUS_DIR;
  if (!fs::is_directory(Root)) return All;
  for (const auto& Entry : fs::recursive_directory_iterator(Root)) {
    const std::string Extension = Entry.path().extension().string();
    if (Entry.is_regular_file() && (Extension == ".dfm" || Extension == ".lfm")) All.push_back(Entry.path());
  }
  std::sort(All.begin(), All.end());
  std::vector<fs::path> Some;
  for (std::size_t I = 0; I < All.size(); I += Every) Some.push_back(All[I]);
  return Some;
}

}  // namespace keyloom::test
