// Forms read and run on several threads at once give what they give on one,
// and what one form teaches a class of its own reaches no other.

#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/formfile/loader.hpp>
#include <keyloom/host.hpp>

#include <gtest/gtest.h>

#include "support/corpus_forms.hpp"

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace keyloom::formfile {
namespace {

namespace fs = std::filesystem;

using test::CorpusForms;
using test::ReadWholeFile;

// What the pipeline makes of one file, or the error it stops with.
std::string Outcome(const fs::path& Path) {
  std::string Bytes = ReadWholeFile(Path);
  if (IsBinaryFormFile(Bytes)) return "binary";
  try {
    auto Form = LoadFormForKeys(TDocument::Parse(std::move(Bytes), Path.string()));
    std::string Unknown;
    for (const std::string& Name : Form->UnknownClasses()) Unknown += Name + ",";
    RunKeys(*Form, TKeySettings{});
    const int Given = CountCaptionsGivenALetter(*Form);
    Form->StoreCaptions();
    return std::to_string(Given) + "|" + Unknown + "|" + Form->Render();
  } catch (const EFormFileError& E) {
    return std::string("error: ") + E.what();
  }
}

TEST(ConcurrentFormsTest, FormsRunOnFourThreadsGiveWhatTheyGiveOnOne) {
  const std::vector<fs::path> Files = CorpusForms(12);
  if (Files.empty()) GTEST_SKIP() << "no corpus at " << KEYLOOM_CORPUS_DIR;
  std::vector<std::string> Serial;
  for (const fs::path& File : Files) Serial.push_back(Outcome(File));

  std::vector<std::string> Parallel(Files.size());
  std::atomic<std::size_t> Next = 0;
  std::vector<std::thread> Threads;
  for (int T = 0; T < 4; ++T)
    Threads.emplace_back([&] {
      for (std::size_t I; (I = Next++) < Files.size();) Parallel[I] = Outcome(Files[I]);
    });
  for (std::thread& T : Threads) T.join();

  std::size_t WithUnknown = 0;
  for (std::size_t I = 0; I < Files.size(); ++I) {
    EXPECT_EQ(Parallel[I], Serial[I]) << Files[I];
    if (Serial[I].find("||") == std::string::npos && !Serial[I].starts_with("error") && Serial[I] != "binary")
      ++WithUnknown;
  }
  // The sample must exercise the classes made at run time.
  EXPECT_GT(WithUnknown, Files.size() / 4);
}

TEST(ConcurrentFormsTest, WhatAFormTeachesAnUnknownClassStaysWithThatForm) {
  auto Load = [](const char* Text) { return LoadForm(TDocument::Parse(Text, "test.dfm")); };
  auto First = Load(
      "object Form1: TForm\n"
      "  object Fancy1: TFancyThing\n"
      "    Flat = 'yes'\n"
      "  end\n"
      "end\n");
  auto Second = Load(
      "object Form2: TForm\n"
      "  object Fancy2: TFancyThing\n"
      "    Flat = True\n"
      "  end\n"
      "end\n");
  const TComponent* One = First->Form().FindComponent("Fancy1");
  const TComponent* Two = Second->Form().FindComponent("Fancy2");
  ASSERT_TRUE(One && Two);
  EXPECT_EQ(One->ClassName(), "TFancyThing");
  EXPECT_NE(&One->ClassType(), &Two->ClassType());
  const TPropInfo* Text = GetPropInfo(One, "Flat");
  const TPropInfo* Boolean = GetPropInfo(Two, "Flat");
  ASSERT_TRUE(Text && Boolean);
  EXPECT_EQ(Text->Kind, TTypeKind::tkLString);
  EXPECT_EQ(GetStrProp(*One, *Text), "yes");
  EXPECT_EQ(Boolean->Kind, TTypeKind::tkEnumeration);
  EXPECT_EQ(GetOrdProp(*Two, *Boolean), 1);
  // The class goes with the last of its objects, and the first form's survives the second's.
  Second.reset();
  EXPECT_EQ(GetStrProp(*One, *GetPropInfo(One, "Flat")), "yes");
}

TPropInfo Named(const char* Name) {
  TPropInfo P;
  P.Name = Name;
  return P;
}

TEST(ConcurrentFormsTest, APropertyListAskedForOnManyThreadsAtOnceIsBuiltWhole) {
  // Fresh infos, so that the lists are built while the threads ask.
  for (int Round = 0; Round < 20; ++Round) {
    TClassInfo Base("TBase", &TComponent::StaticClassInfo(), {Named("Alpha"), Named("Beta")});
    TClassInfo Derived("TDerived", &Base, {Named("Gamma"), Named("alpha")});
    std::atomic<bool> Go = false;
    std::vector<std::vector<std::string>> Seen(4);
    std::vector<std::thread> Threads;
    for (std::size_t T = 0; T < Seen.size(); ++T)
      Threads.emplace_back([&, T] {
        while (!Go) std::this_thread::yield();
        for (const TPropInfo* P : Derived.PropInfos()) Seen[T].push_back(P->Name);
      });
    Go = true;
    for (std::thread& T : Threads) T.join();
    const std::size_t Inherited = TComponent::StaticClassInfo().PropInfos().size();
    for (const auto& Names : Seen) {
      ASSERT_EQ(Names.size(), Inherited + 3);
      // A redeclared property keeps its ancestor's place and takes the new declaration.
      EXPECT_EQ(Names[Inherited], "alpha");
      EXPECT_EQ(Names[Inherited + 1], "Beta");
      EXPECT_EQ(Names[Inherited + 2], "Gamma");
    }
  }
}

}  // namespace
}  // namespace keyloom::formfile
