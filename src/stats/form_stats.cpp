#include "stats/form_stats.hpp"

#include <keyloom/engine.hpp>
#include <keyloom/markup.hpp>
#include <keyloom/scopes.hpp>

#include <algorithm>
#include <map>
#include <unordered_set>
#include <vector>

namespace keyloom::stats {

namespace {

// Code points outside ASCII that are no letter of any script: spaces,
// punctuation, symbols, combining marks, private use. What is left is taken
// for letters; digits of other scripts slip through, which a caption never
// consists of alone.
bool IsNonLetterBlock(char32_t C) {
  if (C < 0xC0) return C != 0xAA && C != 0xB5 && C != 0xBA;
  if (C == 0xD7 || C == 0xF7) return true;
  if (C >= 0x2B0 && C <= 0x36F) return true;  // modifier letters, combining marks
  if (C >= 0x370 && C <= 0x4FF) return !IsNativeLetter(C);
  if (C >= 0x2000 && C <= 0x2BFF) return true;  // punctuation, symbols, arrows, shapes
  if (C >= 0x2E00 && C <= 0x2E7F) return true;
  if (C >= 0x3000 && C <= 0x303F) return true;  // CJK punctuation
  if (C >= 0xE000 && C <= 0xF8FF) return true;  // private use
  if (C >= 0xFE00 && C <= 0xFE6F) return true;
  if (C >= 0xFF00 && C <= 0xFF20) return true;  // full-width punctuation and digits
  if (C >= 0xFF3B && C <= 0xFF40) return true;
  if (C >= 0xFF5B && C <= 0xFF65) return true;
  if (C >= 0xFFF0 && C <= 0xFFFF) return true;
  if (C >= 0x1F000) return true;  // emoji and other symbols
  return false;
}

// The letters of the Western single-byte code page, for bytes that are not UTF-8.
bool IsWesternLetterByte(unsigned char B) {
  if (B >= 0xC0) return B != 0xD7 && B != 0xF7;
  return B == 0x8A || B == 0x8C || B == 0x8E || B == 0x9A || B == 0x9C || B == 0x9E || B == 0x9F || B == 0xAA ||
         B == 0xB5 || B == 0xBA;
}

// The length of the well-formed UTF-8 sequence at Pos and its code point; 0 when there is none.
std::size_t DecodeUtf8(std::string_view Text, std::size_t Pos, char32_t& CodePoint) {
  const auto Lead = static_cast<unsigned char>(Text[Pos]);
  std::size_t Length = 0;
  char32_t Min = 0;
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
    CodePoint = Lead & 0x1F;
    Min = 0x80;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    CodePoint = Lead & 0x0F;
    Min = 0x800;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    CodePoint = Lead & 0x07;
    Min = 0x10000;
  } else {
    return 0;
  }
  if (Pos + Length > Text.size()) return 0;
  for (std::size_t I = 1; I < Length; ++I) {
    const auto Next = static_cast<unsigned char>(Text[Pos + I]);
    if ((Next & 0xC0) != 0x80) return 0;
    CodePoint = (CodePoint << 6) | (Next & 0x3F);
  }
  if (CodePoint < Min || CodePoint > 0x10FFFF || (CodePoint >= 0xD800 && CodePoint <= 0xDFFF)) return 0;
  return Length;
}

void FillList(TStringList& List, const std::vector<std::string>& Items) { List.Assign(Items); }

struct TNodeFacts {
  bool Eligible = false;
  bool Marked = false;
  TLetterKey Key = 0;
};

// The caption without an appended " (&X)": a letter given that way says
// nothing about whether the caption itself has one.
std::string_view WithoutAppendedLetter(std::string_view Text) {
  // It goes before trailing blanks.
  while (!Text.empty() && IsWordSeparator(Text.back())) Text.remove_suffix(1);
  if (Text.size() < 4 || !Text.ends_with(')')) return Text;
  const std::size_t Open = Text.size() - 4;
  if (Text[Open] != '(' || Text[Open + 1] != '&' || !IsLetter(Text[Open + 2])) return Text;
  Text.remove_suffix(4);
  if (Text.ends_with(' ')) Text.remove_suffix(1);
  return Text;
}

TNodeFacts FactsOf(const TTreeNode& Node, const TStrings& CaptionClasses, const TStrings& NoCaptionClasses) {
  TNodeFacts F;
  const std::string& Text = Node.GetText();
  F.Marked = MarkedLetter(Text, TNonLatinMode::nlNative, F.Key);
  F.Eligible = IsEligibleCaptionNode(Node, CaptionClasses, NoCaptionClasses) &&
               HasLetterOfAnyScript(DeleteAccelerator(std::string(WithoutAppendedLetter(Text))));
  return F;
}

// The letters an eligible caption could hold under the options: its own, or
// under nlAppend any Latin letter when it has none, less the reserved ones;
// always the letter it holds, which a run keeps.
std::vector<TLetterKey> PossibleLetters(const std::string& Text, const TNodeFacts& Facts, const TKeyOptions& Options,
                                        const std::vector<TLetterKey>& Reserved) {
  std::vector<TLetterKey> Keys;
  for (const TLetterChoice& Choice : CaptionLetters(DeleteAccelerator(Text), Options.NonLatin))
    Keys.push_back(Choice.Key);
  if (Keys.empty() && Options.NonLatin == TNonLatinMode::nlAppend)
    for (char C = 'A'; C <= 'Z'; ++C) Keys.push_back(ByteLetterKey(C));
  std::erase_if(Keys, [&](TLetterKey K) { return std::find(Reserved.begin(), Reserved.end(), K) != Reserved.end(); });
  if (Facts.Marked && std::find(Keys.begin(), Keys.end(), Facts.Key) == Keys.end()) Keys.push_back(Facts.Key);
  return Keys;
}

void CountCaption(TCaptionStats& S, const TNodeFacts& Facts, const std::string& Text) {
  if (!Facts.Eligible) return;
  ++S.Eligible;
  if (!Facts.Marked) return;
  ++S.Marked;
  if (MarksWordStart(Text)) ++S.FirstLetters;
}

}  // namespace

TCaptionStats& TCaptionStats::operator+=(const TCaptionStats& Other) {
  Eligible += Other.Eligible;
  Covered += Other.Covered;
  Clashes += Other.Clashes;
  Marked += Other.Marked;
  FirstLetters += Other.FirstLetters;
  Maximum += Other.Maximum;
  return *this;
}

bool HasLetterOfAnyScript(std::string_view Text) {
  for (std::size_t Pos = 0; Pos < Text.size();) {
    const auto Byte = static_cast<unsigned char>(Text[Pos]);
    if (Byte < 0x80) {
      if ((Byte >= 'A' && Byte <= 'Z') || (Byte >= 'a' && Byte <= 'z')) return true;
      ++Pos;
      continue;
    }
    char32_t CodePoint = 0;
    const std::size_t Length = DecodeUtf8(Text, Pos, CodePoint);
    if (Length == 0) {
      if (IsWesternLetterByte(Byte)) return true;
      ++Pos;
      continue;
    }
    if (!IsNonLetterBlock(CodePoint)) return true;
    Pos += Length;
  }
  return false;
}

bool MarksWordStart(const std::string& Caption) {
  const std::size_t Pos = AcceleratorPosition(Caption);
  if (Pos == std::string::npos || Pos == 0) return false;
  // Caption[Pos - 1] is the marker itself.
  return Pos == 1 || IsWordSeparator(Caption[Pos - 2]);
}

TCaptionStats MeasureTree(const TCustomTreeView& Tree, const TStrings& CaptionClasses,
                          const TStrings& NoCaptionClasses, const TKeyOptions& Options) {
  TCaptionStats S;
  const std::vector<TLetterKey> Reserved = ReservedLetterKeys(Options.ReservedLetters);
  const std::vector<TKeyScopeGroup> Scopes = CollectScopes(Tree, TKeyScope::ksWindow);
  std::unordered_set<const TTreeNode*> InAScope;

  for (const TKeyScopeGroup& Scope : Scopes) {
    const std::size_t Count = Scope.Nodes.size();
    std::vector<TNodeFacts> Facts(Count);
    std::vector<std::vector<TLetterKey>> Letters(Count);
    std::map<TLetterKey, std::vector<std::size_t>> ByKey;
    for (std::size_t I = 0; I < Count; ++I) {
      const TTreeNode& Node = *Scope.Nodes[I];
      InAScope.insert(&Node);
      Facts[I] = FactsOf(Node, CaptionClasses, NoCaptionClasses);
      CountCaption(S, Facts[I], Node.GetText());
      if (Facts[I].Marked) ByKey[Facts[I].Key].push_back(I);
      if (Facts[I].Eligible) Letters[I] = PossibleLetters(Node.GetText(), Facts[I], Options, Reserved);
    }
    std::vector<bool> Shared(Count, false);
    for (const auto& [Key, Holders] : ByKey) {
      for (std::size_t A = 0; A < Holders.size(); ++A) {
        for (std::size_t B = A + 1; B < Holders.size(); ++B) {
          if (!Scope.VisibleTogether(Holders[A], Holders[B])) continue;
          ++S.Clashes;
          Shared[Holders[A]] = Shared[Holders[B]] = true;
        }
      }
    }
    for (std::size_t I = 0; I < Count; ++I)
      if (Facts[I].Eligible && Facts[I].Marked && !Shared[I]) ++S.Covered;
    S.Maximum += MaximumCoverage(Scope, Letters);
  }

  // Nodes in no scope (those that name a menu) show with nothing that must differ from them.
  const TTreeNodes& Items = Tree.GetItems();
  for (int I = 0; I < Items.GetCount(); ++I) {
    const TTreeNode& Node = *Items.GetNodeFromIndex(I);
    if (InAScope.contains(&Node)) continue;
    const TNodeFacts Facts = FactsOf(Node, CaptionClasses, NoCaptionClasses);
    CountCaption(S, Facts, Node.GetText());
    if (!Facts.Eligible) continue;
    if (Facts.Marked) ++S.Covered;
    if (!PossibleLetters(Node.GetText(), Facts, Options, Reserved).empty()) ++S.Maximum;
  }
  return S;
}

TCaptionStats MeasureForm(formfile::TLoadedForm& Form, const formfile::TKeySettings& Fallback, bool Run) {
  if (Run) formfile::RunKeys(Form, Fallback);
  const formfile::TKeySettings Settings = formfile::EffectiveSettings(Form, Fallback);
  TTreeView Tree(nullptr);
  formfile::BuildWorkingTree(Tree, Form.Form(), Settings);
  TStringList CaptionClasses, NoCaptionClasses;
  FillList(CaptionClasses, Settings.CaptionClasses);
  FillList(NoCaptionClasses, Settings.NoCaptionClasses);
  return MeasureTree(Tree, CaptionClasses, NoCaptionClasses, Settings.Options);
}

}  // namespace keyloom::stats
