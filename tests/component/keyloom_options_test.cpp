// TKeyloom's Scope, Strategy, ReservedLetters and NonLatin: published, run on
// change like the other settings, and stored with the form only when they
// are not at their defaults.

#include <keyloom/stored_keylooms.hpp>
#include <keyloom/formfile/captions.hpp>
#include <keyloom/host.hpp>
#include <keyloom/keyloom_component.hpp>

#include <gtest/gtest.h>

#include "support/runtime_forms.hpp"

#include <functional>
#include <string>
#include <vector>

namespace keyloom {
namespace {

using test::Make;

struct TOptionSetter {
  const char* Name;
  std::function<void(TKeyloom&)> SetNew;      // a value other than the default
  std::function<void(TKeyloom&)> SetDefault;  // the default again
  std::function<bool(const TKeyloom&)> IsNew;
};

const std::vector<TOptionSetter>& OptionSetters() {
  static const std::vector<TOptionSetter> Setters{
      {"Scope", [](TKeyloom& K) { K.SetScope(TKeyScope::ksWindow); },
       [](TKeyloom& K) { K.SetScope(TKeyScope::ksSiblings); },
       [](const TKeyloom& K) { return K.GetScope() == TKeyScope::ksWindow; }},
      {"Strategy", [](TKeyloom& K) { K.SetStrategy(TAssignStrategy::asBestCoverage); },
       [](TKeyloom& K) { K.SetStrategy(TAssignStrategy::asLetterSearch); },
       [](const TKeyloom& K) { return K.GetStrategy() == TAssignStrategy::asBestCoverage; }},
      {"ReservedLetters", [](TKeyloom& K) { K.SetReservedLetters("QZ"); },
       [](TKeyloom& K) { K.SetReservedLetters(""); },
       [](const TKeyloom& K) { return K.GetReservedLetters() == "QZ"; }},
      {"NonLatin", [](TKeyloom& K) { K.SetNonLatin(TNonLatinMode::nlNative); },
       [](TKeyloom& K) { K.SetNonLatin(TNonLatinMode::nlSkip); },
       [](const TKeyloom& K) { return K.GetNonLatin() == TNonLatinMode::nlNative; }},
  };
  return Setters;
}

class KeyloomOptionSetterTest : public ::testing::TestWithParam<TOptionSetter> {
 protected:
  // One OnAssign call per run: the form has one captioned button.
  TKeyloom* MakeCounting() {
    Make<TButton>(&Form, &Form, "Button1", "OK");
    auto* Keyloom = new TKeyloom(&Form);
    Keyloom->OnAssign = [this](TObject*, TObject*, std::string&) { ++Runs; };
    return Keyloom;
  }

  TForm Form{nullptr};
  int Runs = 0;
};

TEST_P(KeyloomOptionSetterTest, NewValueRunsOnceSameValueRunsNothing) {
  TKeyloom* Keyloom = MakeCounting();
  GetParam().SetDefault(*Keyloom);
  EXPECT_EQ(Runs, 0);
  GetParam().SetNew(*Keyloom);
  EXPECT_TRUE(GetParam().IsNew(*Keyloom));
  EXPECT_EQ(Runs, 1);
  GetParam().SetNew(*Keyloom);
  EXPECT_EQ(Runs, 1);
  GetParam().SetDefault(*Keyloom);
  EXPECT_FALSE(GetParam().IsNew(*Keyloom));
  EXPECT_EQ(Runs, 2);
}

TEST_P(KeyloomOptionSetterTest, GuardsStopTheRunButTheValueIsKept) {
  TKeyloom* Keyloom = MakeCounting();
  Keyloom->SetActive(false);
  GetParam().SetNew(*Keyloom);
  EXPECT_TRUE(GetParam().IsNew(*Keyloom));
  EXPECT_EQ(Runs, 0);
  Keyloom->SetActive(true);
  EXPECT_EQ(Runs, 1);

  Keyloom->SetDesigning(true);
  GetParam().SetDefault(*Keyloom);
  EXPECT_EQ(Runs, 1);
  Keyloom->SetDesigning(false);

  Keyloom->BeginLoading();
  GetParam().SetNew(*Keyloom);
  EXPECT_EQ(Runs, 1);
  Keyloom->Loaded();
  EXPECT_EQ(Runs, 2);
}

INSTANTIATE_TEST_SUITE_P(Options, KeyloomOptionSetterTest, ::testing::ValuesIn(OptionSetters()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(KeyloomOptionsTest, EnumerationsAreStoredOnlyAwayFromTheirDefault) {
  TForm Form(nullptr);
  auto* Keyloom = new TKeyloom(&Form);
  for (const TOptionSetter& S : OptionSetters()) {
    const TPropInfo* Info = Keyloom->ClassType().FindProp(S.Name);
    ASSERT_NE(Info, nullptr) << S.Name;
    // A string has no default; the writer leaves out an empty one (see the file tests below).
    if (Info->Kind == TTypeKind::tkLString) continue;
    EXPECT_FALSE(IsStoredProp(*Keyloom, *Info)) << S.Name;
    S.SetNew(*Keyloom);
    EXPECT_TRUE(IsStoredProp(*Keyloom, *Info)) << S.Name;
    S.SetDefault(*Keyloom);
    EXPECT_FALSE(IsStoredProp(*Keyloom, *Info)) << S.Name;
  }
}

// The settings reach the engine: a run with them gives other letters than the plain search.
TEST(KeyloomOptionsTest, ARunUsesTheOptions) {
  TForm Form(nullptr);
  auto* Panel1 = Make<TPanel>(&Form, &Form, "Panel1");
  auto* Panel2 = Make<TPanel>(&Form, &Form, "Panel2");
  auto* Open = Make<TButton>(&Form, Panel1, "bOpen", "Open");
  auto* Options = Make<TButton>(&Form, Panel2, "bOptions", "Options");
  auto* Keyloom = new TKeyloom(&Form);
  Keyloom->SetOnlyUnassigned(false);
  EXPECT_EQ(Open->GetCaption(), "&Open");
  EXPECT_EQ(Options->GetCaption(), "&Options");
  Keyloom->SetScope(TKeyScope::ksWindow);
  EXPECT_EQ(Open->GetCaption(), "&Open");
  EXPECT_EQ(Options->GetCaption(), "O&ptions");
  Keyloom->SetReservedLetters("o");
  EXPECT_EQ(Open->GetCaption(), "O&pen");
  EXPECT_EQ(Options->GetCaption(), "Op&tions");
}

TEST(KeyloomOptionsTest, EnumerationsByName) {
  const TClassInfo& Info = TKeyloom::StaticClassInfo();
  struct TEnum {
    const char* Property;
    const char* TypeName;
    std::vector<std::string> Names;
  };
  for (const TEnum& E : {TEnum{"Scope", "TKeyScope", {"ksSiblings", "ksWindow"}},
                         TEnum{"Strategy", "TAssignStrategy", {"asLetterSearch", "asBestCoverage"}},
                         TEnum{"NonLatin", "TNonLatinMode", {"nlSkip", "nlAppend", "nlNative"}}}) {
    const TPropInfo* P = Info.FindProp(E.Property);
    ASSERT_NE(P, nullptr) << E.Property;
    EXPECT_EQ(P->Kind, TTypeKind::tkEnumeration) << E.Property;
    EXPECT_EQ(P->TypeName, E.TypeName);
    EXPECT_EQ(P->EnumNames, E.Names);
    ASSERT_TRUE(P->Default.has_value()) << E.Property;
    EXPECT_EQ(*P->Default, 0) << E.Property;
  }
  const TPropInfo* Reserved = Info.FindProp("ReservedLetters");
  ASSERT_NE(Reserved, nullptr);
  EXPECT_EQ(Reserved->Kind, TTypeKind::tkLString);

  TForm Form(nullptr);
  auto* Keyloom = new TKeyloom(&Form);
  // Out of range from a stream or a caller: refused, the value stays.
  EXPECT_THROW(SetOrdProp(*Keyloom, *Info.FindProp("NonLatin"), 3), EKeyloomError);
  EXPECT_EQ(Keyloom->GetNonLatin(), TNonLatinMode::nlSkip);
  SetOrdProp(*Keyloom, *Info.FindProp("NonLatin"), GetEnumValue(*Info.FindProp("NonLatin"), "nlAppend"));
  EXPECT_EQ(Keyloom->GetNonLatin(), TNonLatinMode::nlAppend);
  SetStrProp(*Keyloom, *Reserved, "xy");
  EXPECT_EQ(Keyloom->GetKeyOptions().ReservedLetters, "xy");
  EXPECT_EQ(Keyloom->GetKeyOptions().NonLatin, TNonLatinMode::nlAppend);
  EXPECT_FALSE(Keyloom->GetKeyOptions().IsDefault());
}

// ---------------------------------------------------------------- form files

const char* const KeyloomOnly =
    "object Form1: TForm\n"
    "  Caption = 'Main'\n"
    "  object Keyloom1: TKeyloom\n"
    "    SortMethod = smCaption\n"
    "  end\n"
    "end\n";

std::unique_ptr<formfile::TLoadedForm> LoadForKeys(const std::string& Text) {
  return LoadFormForKeys(formfile::TDocument::Parse(Text, "form.dfm"));
}

TKeyloom& OnlyKeyloom(formfile::TLoadedForm& L) {
  const std::vector<TKeyloom*> Found = StoredKeylooms(L.Form());
  EXPECT_EQ(Found.size(), 1u);
  return *Found.at(0);
}

TEST(KeyloomOptionsFileTest, DefaultsAreNotWrittenOthersAreAndReadBack) {
  auto L = LoadForKeys(KeyloomOnly);
  TKeyloom& Keyloom = OnlyKeyloom(*L);
  EXPECT_TRUE(Keyloom.GetKeyOptions().IsDefault());
  // Setting the defaults again leaves the file as it is.
  for (const TOptionSetter& S : OptionSetters()) S.SetDefault(Keyloom);
  L->StoreComponents();
  EXPECT_EQ(L->Render(), KeyloomOnly);

  for (const TOptionSetter& S : OptionSetters()) S.SetNew(Keyloom);
  L->StoreComponents();
  const std::string Stored = L->Render();
  EXPECT_EQ(Stored,
            "object Form1: TForm\n"
            "  Caption = 'Main'\n"
            "  object Keyloom1: TKeyloom\n"
            "    SortMethod = smCaption\n"
            "    NonLatin = nlNative\n"
            "    ReservedLetters = 'QZ'\n"
            "    Scope = ksWindow\n"
            "    Strategy = asBestCoverage\n"
            "  end\n"
            "end\n");

  auto Again = LoadForKeys(Stored);
  TKeyloom& Read = OnlyKeyloom(*Again);
  for (const TOptionSetter& S : OptionSetters()) EXPECT_TRUE(S.IsNew(Read)) << S.Name;
  EXPECT_EQ(Read.GetSortMethod(), TSortMethod::smCaption);
  // What the command runs with for that form.
  const TKeySettings Settings = EffectiveSettings(*Again, TKeySettings());
  EXPECT_EQ(Settings.Options.Scope, TKeyScope::ksWindow);
  EXPECT_EQ(Settings.Options.Strategy, TAssignStrategy::asBestCoverage);
  EXPECT_EQ(Settings.Options.ReservedLetters, "QZ");
  EXPECT_EQ(Settings.Options.NonLatin, TNonLatinMode::nlNative);

  // Back at the defaults, the lines go and the file is the original again.
  for (const TOptionSetter& S : OptionSetters()) S.SetDefault(Read);
  Again->StoreComponents();
  EXPECT_EQ(Again->Render(), KeyloomOnly);
}

TEST(KeyloomOptionsFileTest, EachValueByNameAndUnknownNamesKeepTheDefault) {
  struct TCase {
    const char* Line;
    TKeyOptions Expected;
  };
  auto With = [](auto Change) {
    TKeyOptions O;
    Change(O);
    return O;
  };
  const std::vector<TCase> Cases{
      {"Scope = ksSiblings", {}},
      {"Scope = ksWindow", With([](TKeyOptions& O) { O.Scope = TKeyScope::ksWindow; })},
      {"Strategy = asLetterSearch", {}},
      {"Strategy = asBestCoverage", With([](TKeyOptions& O) { O.Strategy = TAssignStrategy::asBestCoverage; })},
      {"NonLatin = nlAppend", With([](TKeyOptions& O) { O.NonLatin = TNonLatinMode::nlAppend; })},
      {"NonLatin = nlNative", With([](TKeyOptions& O) { O.NonLatin = TNonLatinMode::nlNative; })},
      {"ReservedLetters = 'aB'", With([](TKeyOptions& O) { O.ReservedLetters = "aB"; })},
      // A file from a later version: the name is not known here.
      {"Scope = ksEverywhere", {}},
  };
  for (const TCase& C : Cases) {
    auto L = LoadForKeys(std::string("object Form1: TForm\n  object Keyloom1: TKeyloom\n    ") + C.Line +
                         "\n  end\nend\n");
    const TKeyOptions& Got = OnlyKeyloom(*L).GetKeyOptions();
    EXPECT_EQ(Got.Scope, C.Expected.Scope) << C.Line;
    EXPECT_EQ(Got.Strategy, C.Expected.Strategy) << C.Line;
    EXPECT_EQ(Got.ReservedLetters, C.Expected.ReservedLetters) << C.Line;
    EXPECT_EQ(Got.NonLatin, C.Expected.NonLatin) << C.Line;
  }
}

}  // namespace
}  // namespace keyloom
