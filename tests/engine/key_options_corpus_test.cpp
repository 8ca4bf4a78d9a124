// Best coverage on the window scope of every text form of the shared corpus:
// scopes without pages get the maximum, and over all scopes at least 95% of
// what the regions allow.

#include <keyloom/engine.hpp>
#include <keyloom/host/actnlist.hpp>
#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/scopes.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace keyloom {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return std::move(S).str();
}

TEST(KeyOptionsCorpusTest, BestCoverageOfTheWindowScopes) {
  const fs::path Root = KEYLOOM_CORPUS_DIR;
  if (!fs::is_directory(Root)) GTEST_SKIP() << "no corpus at " << Root;
  TKeyOptions Options;
  Options.Scope = TKeyScope::ksWindow;
  Options.Strategy = TAssignStrategy::asBestCoverage;
  const TKeySettings Settings;
  TStringList CaptionClasses, NoCaptionClasses, DefaultCaptions;
  CaptionClasses.Assign(Settings.CaptionClasses);
  NoCaptionClasses.Assign(Settings.NoCaptionClasses);
  DefaultCaptions.Assign(Settings.DefaultCaptions);
  std::size_t Forms = 0, PagedScopes = 0, Reachable = 0, Covered = 0, SearchCovered = 0, Unproven = 0;
  for (const auto& Entry : fs::recursive_directory_iterator(Root)) {
    std::string Extension = Entry.path().extension().string();
    std::transform(Extension.begin(), Extension.end(), Extension.begin(), [](unsigned char C) { return std::tolower(C); });
    if (!Entry.is_regular_file() || (Extension != ".dfm" && Extension != ".lfm")) continue;
    std::string Bytes = ReadFile(Entry.path());
    if (formfile::IsBinaryFormFile(Bytes)) continue;
    const std::string Name = fs::relative(Entry.path(), Root).generic_string();
    SCOPED_TRACE(Name);
    std::unique_ptr<formfile::TLoadedForm> Form;
    try {
      Form = LoadFormForKeys(formfile::TDocument::Parse(std::move(Bytes), Name));
    } catch (const formfile::EFormFileError&) {
      continue;  // the corpus holds one malformed file
    }
    ++Forms;
    // Per strategy, the number of captions given a letter in each scope.
    std::vector<std::size_t> Maximum;
    std::vector<bool> Paged;
    std::vector<bool> Proven;
    std::vector<bool> Tied;
    const auto Run = [&](TAssignStrategy Strategy) {
      TTreeView Tree(nullptr);
      BuildWorkingTree(Tree, Form->Form(), Settings);
      const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
      std::vector<std::vector<std::string>> Before(Scopes.size());
      if (Maximum.empty())
        for (std::size_t S = 0; S < Scopes.size(); ++S) {
          const TCoverageMaximum Most =
              ExactMaximumCoverage(Scopes[S], CandidateLetters(Scopes, S, Options, CaptionClasses, NoCaptionClasses));
          Maximum.push_back(Most.Size);
          Proven.push_back(Most.Proven);
          Paged.push_back(Scopes[S].HasPages());
          Tied.push_back(std::any_of(Scopes[S].Nodes.begin(), Scopes[S].Nodes.end(),
                                                               [](const TTreeNode* Node) {
                                                                 const TCustomAction* A = CaptionActionOf(Node->GetData());
                                                                 return A && A->Clients().size() > 1;
                                                               }));
        }
      for (std::size_t S = 0; S < Scopes.size(); ++S)
        for (const TTreeNode* Node : Scopes[S].Nodes) Before[S].push_back(Node->GetText());
      TKeyOptions With = Options;
      With.Strategy = Strategy;
      Find(Tree, {}, nullptr, nullptr, CaptionClasses, NoCaptionClasses, DefaultCaptions, With);
      std::vector<std::size_t> Given(Scopes.size());
      for (std::size_t S = 0; S < Scopes.size(); ++S) {
        std::set<const TCustomAction*> Commands;  // controls showing one action are one caption
        for (std::size_t I = 0; I < Scopes[S].Nodes.size(); ++I) {
          const TCustomAction* Action = CaptionActionOf(Scopes[S].Nodes[I]->GetData());
          if (Scopes[S].Nodes[I]->GetText() != Before[S][I] && (!Action || Commands.insert(Action).second))
            ++Given[S];
        }
      }
      return Given;
    };
    const std::vector<std::size_t> Best = Run(TAssignStrategy::asBestCoverage);
    const std::vector<std::size_t> Search = Run(TAssignStrategy::asLetterSearch);
    for (std::size_t S = 0; S < Best.size(); ++S) {
      if (!Paged[S]) {
        EXPECT_LE(Search[S], Best[S]) << "scope " << S;
      }
      // Past its budget the search's figure is what it found; an action shown
      // in two scopes ties their letters, so each scope's maximum holds for it alone.
      if (!Proven[S]) {
        ++Unproven;
      } else if (!Tied[S]) {
        EXPECT_EQ(Best[S], Maximum[S]) << "scope " << S;
      }
      PagedScopes += Paged[S] ? 1 : 0;
      Reachable += Maximum[S];
      Covered += Best[S];
      SearchCovered += Search[S];
    }
    if (HasFailure()) return;
  }
  EXPECT_GT(Forms, 2500u);
  EXPECT_GT(PagedScopes, 100u);
  ASSERT_GT(Reachable, 0u);
  EXPECT_GE(static_cast<double>(Covered), 0.995 * static_cast<double>(Reachable));
  EXPECT_LE(Unproven, 5u);
  std::cout << "[ corpus   ] " << Forms << " forms, " << PagedScopes << " window scopes with pages; best coverage "
            << Covered << " of " << Reachable << " reachable captions (" << Unproven
            << " scopes not proven), the search " << SearchCovered << "\n";
}

}  // namespace
}  // namespace keyloom
