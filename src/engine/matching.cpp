#include "engine/matching.hpp"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

namespace keyloom {

namespace {

// The vertices Dijkstra has reached and not yet settled, least distance
// first (equal distances: the lower vertex), each held once: a shorter
// distance moves it up where it stands.
class TVertexQueue {
 public:
  explicit TVertexQueue(const std::vector<TMatchCost>& Distance)
      : FDistance(Distance), FPlace(Distance.size(), -1) {}

  bool Empty() const { return FHeap.empty(); }
  void Clear() {
    for (int V : FHeap) FPlace[static_cast<std::size_t>(V)] = -1;
    FHeap.clear();
  }
  // V was reached or its distance fell.
  void Offer(int V) {
    int& At = FPlace[static_cast<std::size_t>(V)];
    if (At < 0) {
      At = static_cast<int>(FHeap.size());
      FHeap.push_back(V);
    }
    Up(static_cast<std::size_t>(At));
  }
  int Pop() {
    const int Top = FHeap.front();
    FPlace[static_cast<std::size_t>(Top)] = -1;
    const int Last = FHeap.back();
    FHeap.pop_back();
    if (!FHeap.empty()) {
      Put(0, Last);
      Down(0);
    }
    return Top;
  }

 private:
  bool Before(int A, int B) const {
    const auto Order = FDistance[static_cast<std::size_t>(A)].Level <=> FDistance[static_cast<std::size_t>(B)].Level;
    return Order != 0 ? Order < 0 : A < B;
  }
  void Put(std::size_t At, int V) {
    FHeap[At] = V;
    FPlace[static_cast<std::size_t>(V)] = static_cast<int>(At);
  }
  void Up(std::size_t At) {
    const int V = FHeap[At];
    while (At > 0) {
      const std::size_t Parent = (At - 1) / 2;
      if (!Before(V, FHeap[Parent])) break;
      Put(At, FHeap[Parent]);
      At = Parent;
    }
    Put(At, V);
  }
  void Down(std::size_t At) {
    const int V = FHeap[At];
    for (;;) {
      std::size_t Child = 2 * At + 1;
      if (Child >= FHeap.size()) break;
      if (Child + 1 < FHeap.size() && Before(FHeap[Child + 1], FHeap[Child])) ++Child;
      if (!Before(FHeap[Child], V)) break;
      Put(At, FHeap[Child]);
      At = Child;
    }
    Put(At, V);
  }

  const std::vector<TMatchCost>& FDistance;
  std::vector<int> FPlace;
  std::vector<int> FHeap;
};

// A flow network: source, left vertices, right vertices, sink; unit capacities.
class TFlowNetwork {
 public:
  struct TArc {
    int To;
    int Capacity;
    TMatchCost Cost;
    int Reverse;  // index of the opposite arc in To's list
  };

  explicit TFlowNetwork(int Vertices) : FArcs(static_cast<std::size_t>(Vertices)) {}

  // Returns the position of the new arc in From's list.
  int AddArc(int From, int To, const TMatchCost& Cost) {
    auto& Out = FArcs[static_cast<std::size_t>(From)];
    auto& In = FArcs[static_cast<std::size_t>(To)];
    Out.push_back({To, 1, Cost, static_cast<int>(In.size())});
    In.push_back({From, 0, TMatchCost{} - Cost, static_cast<int>(Out.size()) - 1});
    return static_cast<int>(Out.size()) - 1;
  }

  const TArc& Arc(int From, int Index) const {
    return FArcs[static_cast<std::size_t>(From)][static_cast<std::size_t>(Index)];
  }

  // Successive shortest paths (Dijkstra on reduced costs); each augmentation
  // adds one matched pair at the least extra cost.
  void Run(int Source, int Sink) {
    const std::size_t Count = FArcs.size();
    std::vector<TMatchCost> Potential(Count);
    std::vector<TMatchCost> Distance(Count);
    std::vector<bool> Reached(Count);
    std::vector<bool> Done(Count);
    std::vector<std::pair<int, int>> Via(Count);  // vertex and arc index that reached it
    TVertexQueue Queue(Distance);
    for (;;) {
      std::fill(Reached.begin(), Reached.end(), false);
      std::fill(Done.begin(), Done.end(), false);
      Queue.Clear();
      Distance[static_cast<std::size_t>(Source)] = {};
      Reached[static_cast<std::size_t>(Source)] = true;
      Queue.Offer(Source);
      while (!Queue.Empty()) {
        const int Vertex = Queue.Pop();
        const auto V = static_cast<std::size_t>(Vertex);
        Done[V] = true;
        const TMatchCost Dist = Distance[V];
        for (std::size_t I = 0; I < FArcs[V].size(); ++I) {
          const TArc& A = FArcs[V][I];
          const auto To = static_cast<std::size_t>(A.To);
          if (A.Capacity == 0 || Done[To]) continue;
          const TMatchCost Next = Dist + A.Cost + Potential[V] - Potential[To];
          if (Reached[To] && !(Next < Distance[To])) continue;
          Reached[To] = true;
          Distance[To] = Next;
          Via[To] = {Vertex, static_cast<int>(I)};
          Queue.Offer(A.To);
        }
      }
      if (!Reached[static_cast<std::size_t>(Sink)]) return;
      for (std::size_t V = 0; V < Count; ++V)
        if (Reached[V]) Potential[V] = Potential[V] + Distance[V];
      for (int V = Sink; V != Source;) {
        const auto [From, Index] = Via[static_cast<std::size_t>(V)];
        TArc& A = FArcs[static_cast<std::size_t>(From)][static_cast<std::size_t>(Index)];
        A.Capacity -= 1;
        FArcs[static_cast<std::size_t>(A.To)][static_cast<std::size_t>(A.Reverse)].Capacity += 1;
        V = From;
      }
    }
  }

 private:
  std::vector<std::vector<TArc>> FArcs;
};

bool Augment(int Left, const std::vector<std::vector<int>>& Adjacent, std::vector<int>& MatchOfRight,
             std::vector<int>& Visited, int Round) {
  for (int Right : Adjacent[static_cast<std::size_t>(Left)]) {
    int& Seen = Visited[static_cast<std::size_t>(Right)];
    if (Seen == Round) continue;
    Seen = Round;
    int& Match = MatchOfRight[static_cast<std::size_t>(Right)];
    if (Match < 0 || Augment(Match, Adjacent, MatchOfRight, Visited, Round)) {
      Match = Left;
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<int> MinCostMaximumMatching(int LeftCount, int RightCount, const std::vector<TMatchEdge>& Edges) {
  const int Source = 0;
  const int Sink = 1 + LeftCount + RightCount;
  TFlowNetwork Network(Sink + 1);
  for (int L = 0; L < LeftCount; ++L) Network.AddArc(Source, 1 + L, {});
  std::vector<int> ArcOfEdge(Edges.size());
  for (std::size_t E = 0; E < Edges.size(); ++E)
    ArcOfEdge[E] = Network.AddArc(1 + Edges[E].Left, 1 + LeftCount + Edges[E].Right, Edges[E].Cost);
  for (int R = 0; R < RightCount; ++R) Network.AddArc(1 + LeftCount + R, Sink, {});
  Network.Run(Source, Sink);
  std::vector<int> Result(static_cast<std::size_t>(LeftCount), -1);
  for (std::size_t E = 0; E < Edges.size(); ++E)
    if (Network.Arc(1 + Edges[E].Left, ArcOfEdge[E]).Capacity == 0)
      Result[static_cast<std::size_t>(Edges[E].Left)] = static_cast<int>(E);
  return Result;
}

std::vector<int> MaximumMatching(int RightCount, const std::vector<std::vector<int>>& Adjacent) {
  std::vector<int> MatchOfRight(static_cast<std::size_t>(RightCount), -1);
  std::vector<int> Visited(static_cast<std::size_t>(RightCount), -1);
  // The letters number a few dozen, so augmenting paths stay short.
  for (std::size_t L = 0; L < Adjacent.size(); ++L)
    Augment(static_cast<int>(L), Adjacent, MatchOfRight, Visited, static_cast<int>(L));
  return MatchOfRight;
}

std::size_t MaximumMatchingSize(int RightCount, const std::vector<std::vector<int>>& Adjacent) {
  const std::vector<int> MatchOfRight = MaximumMatching(RightCount, Adjacent);
  return static_cast<std::size_t>(std::count_if(MatchOfRight.begin(), MatchOfRight.end(), [](int L) { return L >= 0; }));
}

}  // namespace keyloom
