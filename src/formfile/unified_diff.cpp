#include "keyloom/formfile/unified_diff.hpp"

#include <algorithm>
#include <optional>
#include <utility>

namespace keyloom::formfile {

std::vector<std::string_view> SplitLines(std::string_view Text) {
  std::vector<std::string_view> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const std::size_t End = Text.find('\n', Start);
    if (End == std::string_view::npos) {
      Lines.push_back(Text.substr(Start));
      break;
    }
    Lines.push_back(Text.substr(Start, End + 1 - Start));
    Start = End + 1;
  }
  return Lines;
}

namespace {

using TLines = std::vector<std::string_view>;

// Myers' bisection: find the middle snake of the box, split there and diff
// both halves. Memory stays linear in the input, whatever the distance.
class TMyersDiff {
 public:
  TMyersDiff(const TLines& Old, const TLines& New, std::vector<TDiffEdit>& Out) : FOld(Old), FNew(New), FOut(Out) {}

  void Run(std::size_t OldBegin, std::size_t OldEnd, std::size_t NewBegin, std::size_t NewEnd) {
    while (OldBegin < OldEnd && NewBegin < NewEnd && FOld[OldBegin] == FNew[NewBegin]) {
      FOut.push_back({TDiffOp::Equal, OldBegin++, NewBegin++});
    }
    std::size_t Suffix = 0;
    while (OldEnd - Suffix > OldBegin && NewEnd - Suffix > NewBegin &&
           FOld[OldEnd - Suffix - 1] == FNew[NewEnd - Suffix - 1]) {
      ++Suffix;
    }
    Middle(OldBegin, OldEnd - Suffix, NewBegin, NewEnd - Suffix);
    for (std::size_t I = Suffix; I > 0; --I) FOut.push_back({TDiffOp::Equal, OldEnd - I, NewEnd - I});
  }

 private:
  void Middle(std::size_t OldBegin, std::size_t OldEnd, std::size_t NewBegin, std::size_t NewEnd) {
    if (OldBegin == OldEnd) {
      for (std::size_t J = NewBegin; J < NewEnd; ++J) FOut.push_back({TDiffOp::Insert, OldBegin, J});
      return;
    }
    if (NewBegin == NewEnd) {
      for (std::size_t I = OldBegin; I < OldEnd; ++I) FOut.push_back({TDiffOp::Delete, I, NewBegin});
      return;
    }
    const auto Split = Bisect(OldBegin, OldEnd, NewBegin, NewEnd);
    if (!Split) {  // cannot happen for a finite box; keep a correct (if long) script anyway
      for (std::size_t I = OldBegin; I < OldEnd; ++I) FOut.push_back({TDiffOp::Delete, I, NewBegin});
      for (std::size_t J = NewBegin; J < NewEnd; ++J) FOut.push_back({TDiffOp::Insert, OldEnd, J});
      return;
    }
    const std::size_t X = OldBegin + Split->first;
    const std::size_t Y = NewBegin + Split->second;
    Run(OldBegin, X, NewBegin, Y);
    Run(X, OldEnd, Y, NewEnd);
  }

  std::optional<std::pair<std::size_t, std::size_t>> Bisect(std::size_t OldBegin, std::size_t OldEnd,
                                                            std::size_t NewBegin, std::size_t NewEnd) {
    const long N = static_cast<long>(OldEnd - OldBegin);
    const long M = static_cast<long>(NewEnd - NewBegin);
    const long MaxD = (N + M + 1) / 2;
    const long Offset = MaxD;
    const long Length = 2 * MaxD + 2;
    std::vector<long> Forward(static_cast<std::size_t>(Length), -1);
    std::vector<long> Backward(static_cast<std::size_t>(Length), -1);
    auto F = [&](long K) -> long& { return Forward[static_cast<std::size_t>(Offset + K)]; };
    auto B = [&](long K) -> long& { return Backward[static_cast<std::size_t>(Offset + K)]; };
    auto OldAt = [&](long I) { return FOld[OldBegin + static_cast<std::size_t>(I)]; };
    auto NewAt = [&](long J) { return FNew[NewBegin + static_cast<std::size_t>(J)]; };
    F(1) = 0;
    B(1) = 0;
    const long Delta = N - M;
    const bool Front = (Delta % 2) != 0;  // which direction can meet the other first
    long K1Start = 0, K1End = 0, K2Start = 0, K2End = 0;
    for (long D = 0; D < MaxD; ++D) {
      for (long K1 = -D + K1Start; K1 <= D - K1End; K1 += 2) {
        long X1 = (K1 == -D || (K1 != D && F(K1 - 1) < F(K1 + 1))) ? F(K1 + 1) : F(K1 - 1) + 1;
        long Y1 = X1 - K1;
        while (X1 < N && Y1 < M && OldAt(X1) == NewAt(Y1)) ++X1, ++Y1;
        F(K1) = X1;
        if (X1 > N) {
          K1End += 2;
        } else if (Y1 > M) {
          K1Start += 2;
        } else if (Front) {
          const long K2 = Delta - K1;
          if (K2 >= -Offset && K2 < Length - Offset && B(K2) != -1 && X1 >= N - B(K2)) {
            return std::pair{static_cast<std::size_t>(X1), static_cast<std::size_t>(Y1)};
          }
        }
      }
      for (long K2 = -D + K2Start; K2 <= D - K2End; K2 += 2) {
        long X2 = (K2 == -D || (K2 != D && B(K2 - 1) < B(K2 + 1))) ? B(K2 + 1) : B(K2 - 1) + 1;
        long Y2 = X2 - K2;
        while (X2 < N && Y2 < M && OldAt(N - X2 - 1) == NewAt(M - Y2 - 1)) ++X2, ++Y2;
        B(K2) = X2;
        if (X2 > N) {
          K2End += 2;
        } else if (Y2 > M) {
          K2Start += 2;
        } else if (!Front) {
          const long K1 = Delta - K2;
          if (K1 >= -Offset && K1 < Length - Offset && F(K1) != -1) {
            const long X1 = F(K1);
            const long Y1 = X1 - K1;
            if (X1 >= N - X2) return std::pair{static_cast<std::size_t>(X1), static_cast<std::size_t>(Y1)};
          }
        }
      }
    }
    return std::nullopt;
  }

  const TLines& FOld;
  const TLines& FNew;
  std::vector<TDiffEdit>& FOut;
};

void AppendRange(std::string& Out, char Sign, std::size_t Start, std::size_t Count) {
  Out += Sign;
  Out += std::to_string(Count == 0 ? Start : Start + 1);
  if (Count != 1) {
    Out += ',';
    Out += std::to_string(Count);
  }
}

void AppendLine(std::string& Out, char Sign, std::string_view Line) {
  Out += Sign;
  Out += Line;
  if (Line.empty() || Line.back() != '\n') Out += "\n\\ No newline at end of file\n";
}

}  // namespace

std::vector<TDiffEdit> DiffLines(const TLines& Old, const TLines& New) {
  std::vector<TDiffEdit> Edits;
  Edits.reserve(std::max(Old.size(), New.size()));
  TMyersDiff(Old, New, Edits).Run(0, Old.size(), 0, New.size());
  return Edits;
}

std::string UnifiedDiff(std::string_view Old, std::string_view New, std::string_view OldLabel,
                        std::string_view NewLabel, int Context) {
  if (Old == New) return {};
  const std::size_t Ctx = static_cast<std::size_t>(std::max(Context, 0));
  const TLines OldLines = SplitLines(Old);
  const TLines NewLines = SplitLines(New);
  const std::vector<TDiffEdit> Edits = DiffLines(OldLines, NewLines);

  std::string Out;
  // A tab ends the name, so that patch reads names with spaces whole.
  Out.append("--- ").append(OldLabel).append("\t\n");
  Out.append("+++ ").append(NewLabel).append("\t\n");
  const std::size_t Count = Edits.size();
  std::size_t I = 0;
  while (I < Count) {
    if (Edits[I].FOp == TDiffOp::Equal) {
      ++I;
      continue;
    }
    const std::size_t Start = I >= Ctx ? I - Ctx : 0;
    std::size_t End = Count;
    std::size_t J = I;
    for (;;) {
      while (J < Count && Edits[J].FOp != TDiffOp::Equal) ++J;
      std::size_t K = J;
      while (K < Count && Edits[K].FOp == TDiffOp::Equal) ++K;
      if (K == Count || K - J > 2 * Ctx) {
        End = std::min(Count, J + Ctx);
        break;
      }
      J = K;
    }
    std::size_t OldCount = 0, NewCount = 0;
    for (std::size_t E = Start; E < End; ++E) {
      if (Edits[E].FOp != TDiffOp::Insert) ++OldCount;
      if (Edits[E].FOp != TDiffOp::Delete) ++NewCount;
    }
    Out += "@@ ";
    AppendRange(Out, '-', Edits[Start].FOld, OldCount);
    Out += ' ';
    AppendRange(Out, '+', Edits[Start].FNew, NewCount);
    Out += " @@\n";
    for (std::size_t E = Start; E < End;) {
      if (Edits[E].FOp == TDiffOp::Equal) {
        AppendLine(Out, ' ', OldLines[Edits[E].FOld]);
        ++E;
        continue;
      }
      // Within a change, what goes comes before what comes, as readers expect.
      std::size_t R = E;
      while (R < End && Edits[R].FOp != TDiffOp::Equal) ++R;
      for (std::size_t D = E; D < R; ++D)
        if (Edits[D].FOp == TDiffOp::Delete) AppendLine(Out, '-', OldLines[Edits[D].FOld]);
      for (std::size_t A = E; A < R; ++A)
        if (Edits[A].FOp == TDiffOp::Insert) AppendLine(Out, '+', NewLines[Edits[A].FNew]);
      E = R;
    }
    I = End;
  }
  return Out;
}

}  // namespace keyloom::formfile
