// The pipeline against its literal reference on random forms: the same node
// texts, node order and images, the same assign calls and the same captions
// written, for every sort order, both ways of OnlyUnassigned, random class
// lists and repeated runs. KEYLOOM_DIFF_CASES sets the number of forms
// (KEYLOOM_DIFF_SEED the first seed) for longer runs.

#include <keyloom/default_lists.hpp>
#include <keyloom/formfile/loader.hpp>
#include <keyloom/formfile/window.hpp>
#include <keyloom/keyloom_component.hpp>
#include <keyloom/pipeline.hpp>

#include <gtest/gtest.h>

#include "oracle/literal_pipeline.hpp"
#include "oracle/random_forms.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

namespace keyloom::oracle {
namespace {

int EnvInt(const char* Name, int Fallback) {
  const char* Value = std::getenv(Name);
  if (!Value || !*Value) return Fallback;
  return std::atoi(Value);
}

void Fill(TStrings& List, const std::vector<std::string>& Items) { List.Assign(Items); }

std::string DumpProduct(const TMadeForm& Form, const TTreeNodes& Nodes) {
  std::string Out;
  for (int I = 0; I < Nodes.GetCount(); ++I) {
    const TTreeNode* Node = Nodes.GetNodeFromIndex(I);
    Out += std::string(static_cast<std::size_t>(2 * Node->GetLevel()), ' ') + Node->GetText() + " {" +
           IdentityOf(Form, Node->GetData()) + " " + std::to_string(Node->GetImageIndex()) + "/" +
           std::to_string(Node->GetSelectedIndex()) + "}\n";
  }
  return Out;
}

std::string DumpOracle(const TMadeForm& Form, TTree& Tree) {
  std::string Out;
  for (int I = 0; I < Tree.GetCount(); ++I) {
    const TNode* Node = Tree.GetNodeFromIndex(I);
    int Level = 0;
    for (const TNode* P = Node->Parent; P; P = P->Parent) ++Level;
    Out += std::string(static_cast<std::size_t>(2 * Level), ' ') + Node->Text + " {" + IdentityOf(Form, Node->Data) +
           " " + std::to_string(Node->Image) + "/" + std::to_string(Node->Image) + "}\n";
  }
  return Out;
}

// Records each call, and changes the caption of every fifth component.
TAssignEvent Recorder(const TMadeForm& Form, std::string& Log) {
  return [&Form, &Log](TObject*, TObject* Component, std::string& Caption) {
    const std::string Id = IdentityOf(Form, Component);
    Log += Id + "=" + Caption + "\n";
    if (std::hash<std::string>{}(Id) % 5 == 0) Caption += "!";
  };
}

// Runs the plan through the component on one form and through the reference
// on another made alike; returns the first difference, or "".
std::string Compare(const TPlan& Plan, const std::string& Label) {
  TMadeForm Product = MakeForm(Plan);
  TMadeForm Reference = MakeForm(Plan);

  auto* Keyloom = new TKeyloom(Product.Form.get());
  Keyloom->SetActive(false);  // settings below must not start runs of their own
  TSettings Settings;
  Fill(*Keyloom->GetCaptionClasses(), Plan.CaptionClasses);
  Fill(*Keyloom->GetNoCaptionClasses(), Plan.NoCaptionClasses);
  Fill(*Keyloom->GetDefaultCaptions(), Plan.DefaultCaptions);
  Fill(Settings.CaptionClasses, Plan.CaptionClasses);
  Fill(Settings.NoCaptionClasses, Plan.NoCaptionClasses);
  Fill(Settings.DefaultCaptions, Plan.DefaultCaptions);
  std::string ProductLog;
  std::string ReferenceLog;
  if (Plan.Handler) Keyloom->OnAssign = Recorder(Product, ProductLog);
  const TAssignEvent ReferenceHandler = Plan.Handler ? Recorder(Reference, ReferenceLog) : TAssignEvent();

  TRun Run;
  for (std::size_t R = 0; R < Plan.Runs.size(); ++R) {
    Keyloom->SetSortMethod(Plan.Runs[R].SortMethod);
    Keyloom->SetOnlyUnassigned(Plan.Runs[R].OnlyUnassigned);
    Keyloom->FindKeys();
    Settings.SortMethod = Plan.Runs[R].SortMethod;
    Settings.OnlyUnassigned = Plan.Runs[R].OnlyUnassigned;
    Run.Run(*Reference.Form, Settings, nullptr, ReferenceHandler);

    const std::string Where = Label + ", run " + std::to_string(R + 1) + ": ";
    const std::string ProductTree = DumpProduct(Product, Keyloom->GetTree()->GetItems());
    const std::string ReferenceTree = DumpOracle(Reference, Run.Tree);
    if (ProductTree != ReferenceTree) return Where + "trees differ\n--- product\n" + ProductTree + "--- reference\n" + ReferenceTree;
    if (ProductLog != ReferenceLog)
      return Where + "assign calls differ\n--- product\n" + ProductLog + "--- reference\n" + ReferenceLog;
    const std::string ProductCaptions = Captions(Product);
    const std::string ReferenceCaptions = Captions(Reference);
    if (ProductCaptions != ReferenceCaptions)
      return Where + "captions differ\n--- product\n" + ProductCaptions + "--- reference\n" + ReferenceCaptions;
  }
  return {};
}

TEST(PipelineDifferentialTest, AgreesWithTheLiteralAlgorithmsOnRandomForms) {
  const int Cases = EnvInt("KEYLOOM_DIFF_CASES", 600);
  const auto First = static_cast<std::uint32_t>(EnvInt("KEYLOOM_DIFF_SEED", 1));
  for (int I = 0; I < Cases; ++I) {
    const std::uint32_t Seed = First + static_cast<std::uint32_t>(I);
    const std::string Difference = Compare(TPlanner(Seed).Make(), "seed " + std::to_string(Seed));
    ASSERT_EQ(Difference, "");
  }
}

// Random forms are small; large sibling groups are where finding and writing
// ask for nodes and components ahead: forms widened by hundreds of siblings in
// one group, with repeated and marked captions and default and cancel buttons.
TEST(PipelineDifferentialTest, AgreesOnWideGroups) {
  for (std::uint32_t Seed = 1; Seed <= 6; ++Seed) {
    TPlan Plan = TPlanner(Seed).Make();
    std::mt19937 Random(Seed);
    int Home = -1;  // the form, or a container of the plan
    for (std::size_t I = 0; I < Plan.Objects.size(); ++I)
      if (IsContainer(Plan.Objects[I].Kind) && Plan.Objects[I].Kind != TKind::RadioGroup &&
          Plan.Objects[I].Kind != TKind::TabSheet && Seed % 2 == 0)
        Home = static_cast<int>(I);
    static const TKind Kinds[] = {TKind::Button, TKind::BitBtn, TKind::CheckBox, TKind::Button, TKind::Edit};
    static const char* const Words[] = {"Open", "Save", "Close", "Print", "Options", "About", "Help", "Exit"};
    const std::size_t First = Plan.Objects.size();
    for (int I = 0; I < 1000; ++I) {
      TPlanObject O;
      O.Kind = Kinds[Random() % 5];
      O.Name = "WideItem" + std::to_string(I);
      O.Caption = std::string(Words[Random() % 8]) + " " + Words[Random() % 8];
      if (Random() % 6 == 0) O.Caption.insert(Random() % O.Caption.size(), 1, '&');
      if (Random() % 9 == 0) O.Caption.clear();
      O.Parent = Home;
      O.Cancel = (O.Kind == TKind::Button || O.Kind == TKind::BitBtn) && Random() % 20 == 0;
      O.Default = (O.Kind == TKind::Button || O.Kind == TKind::BitBtn) && Random() % 20 == 0;
      Plan.Objects.push_back(O);
      Plan.CreationOrder.push_back(static_cast<int>(First) + I);
    }
    std::shuffle(Plan.CreationOrder.begin(), Plan.CreationOrder.end(), Random);
    ASSERT_EQ(Compare(Plan, "wide group, seed " + std::to_string(Seed)), "");
  }
}

// The generator itself must reach the cases that matter, or agreement proves little.
TEST(PipelineDifferentialTest, RandomFormsCoverTheInterestingCases) {
  int Deep = 0, RadioItems = 0, Submenus = 0, Reordered = 0, TwoRuns = 0, Handlers = 0, Given = 0;
  for (std::uint32_t Seed = 1; Seed <= 300; ++Seed) {
    const TPlan Plan = TPlanner(Seed).Make();
    TMadeForm Made = MakeForm(Plan);
    int Deepest = 0;
    for (TComponent* C : Made.Made) Deepest = std::max(Deepest, oracle::GetComponentLevel(Made.Form.get(), C));
    Deep += Deepest > 20;
    TSettings Settings;
    Fill(Settings.CaptionClasses, Plan.CaptionClasses);
    Fill(Settings.NoCaptionClasses, Plan.NoCaptionClasses);
    Fill(Settings.DefaultCaptions, Plan.DefaultCaptions);
    const std::string Before = Captions(Made);
    TRun Run;
    Run.Run(*Made.Form, Settings, nullptr, nullptr);
    Given += Captions(Made) != Before;
    for (int I = 0; I < Run.Tree.GetCount(); ++I) {
      const TNode* Node = Run.Tree.GetNodeFromIndex(I);
      RadioItems += IsClass<TRadioGroupIndex>(Node->Data);
      Submenus += IsClass<TMenuItem>(Node->Data) && Node->Parent && IsClass<TMenuItem>(Node->Parent->Data);
    }
    bool Shuffled = false;
    for (std::size_t I = 0; I < Plan.CreationOrder.size(); ++I) Shuffled |= Plan.CreationOrder[I] != static_cast<int>(I);
    Reordered += Shuffled;
    TwoRuns += Plan.Runs.size() == 2;
    Handlers += Plan.Handler;
  }
  EXPECT_GT(Deep, 10);
  EXPECT_GT(RadioItems, 100);
  EXPECT_GT(Submenus, 100);
  EXPECT_GT(Reordered, 100);
  EXPECT_GT(TwoRuns, 100);
  EXPECT_GT(Handlers, 100);
  EXPECT_GT(Given, 200);
}

// Every caption of a window by the names that lead to it, but for what its frames own.
void WindowCaptions(const TComponent& Owner, const std::string& Path, std::string& Out) {
  for (const TComponent* C : Owner.Components()) {
    const std::string Name = Path + "." + C->GetName();
    // An action shows nowhere itself; the run keeps its caption in step with the controls that show it.
    if (IsClass<TBasicAction>(C)) continue;
    if (const TPropInfo* Caption = GetPropInfo(C, "Caption"); Caption && Caption->Kind == TTypeKind::tkLString)
      Out += Name + "=" + GetStrProp(*C, *Caption) + "\n";
    if (const auto* Group = dynamic_cast<const TRadioGroup*>(C))
      for (const std::string& Item : Group->GetItems()->Items()) Out += Name + "[]=" + Item + "\n";
    if (!C->HasState(csInline)) WindowCaptions(*C, Name, Out);
  }
}

// The inherited forms of the corpus, composed with their ancestors and frames:
// the run over the whole window gives what the literal run gives on it.
TEST(PipelineDifferentialTest, AgreesOnTheCorpusWindowsOfInheritedForms) {
  namespace fs = std::filesystem;
  const fs::path Corpus = KEYLOOM_CORPUS_DIR;
  if (!fs::exists(Corpus)) GTEST_SKIP() << "no corpus at " << Corpus;
  TSettings Settings;
  for (std::string_view Entry : DefaultCaptionClasses) Settings.CaptionClasses.Add(std::string(Entry));
  for (std::string_view Entry : DefaultNoCaptionClasses) Settings.NoCaptionClasses.Add(std::string(Entry));
  for (std::string_view Entry : DefaultDefaultCaptions) Settings.DefaultCaptions.Add(std::string(Entry));
  int Compared = 0;
  for (const auto& Project : fs::directory_iterator(Corpus)) {
    if (!Project.is_directory()) continue;
    const formfile::TWindowSources Sources({Project.path()});
    formfile::TLoadOptions Options;
    Options.Window = &Sources;
    Options.KeepState = Options.KeepCaptions = false;
    for (const auto& File : fs::recursive_directory_iterator(Project.path())) {
      const std::string Ext = LowerCase(File.path().extension().string());
      if (!File.is_regular_file() || (Ext != ".dfm" && Ext != ".lfm")) continue;
      std::unique_ptr<formfile::TLoadedForm> Product, Reference;
      try {
        Product = formfile::LoadFormFile(File.path(), Options);
        if (Product->Window().Files.empty()) continue;
        Reference = formfile::LoadFormFile(File.path(), Options);
      } catch (const formfile::EFormFileError&) {
        continue;  // the corpus's one malformed form
      }
      RunPipeline(Product->Form(), TKeySettings());
      TRun Run;
      Run.Run(Reference->Form(), Settings, nullptr, TAssignEvent());
      std::string ProductCaptions, ReferenceCaptions;
      // The literal run never sees the controls a frame owns; the run over the
      // window does. They are left out of the comparison.
      WindowCaptions(Product->Form(), "", ProductCaptions);
      WindowCaptions(Reference->Form(), "", ReferenceCaptions);
      EXPECT_EQ(ProductCaptions, ReferenceCaptions) << File.path();
      ++Compared;
    }
  }
  EXPECT_GT(Compared, 300);
  std::cout << "[ corpus   ] " << Compared << " composed windows run alike\n";
}

}  // namespace
}  // namespace keyloom::oracle
