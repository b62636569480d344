// The elimination engine shared by the halo minimum degree and halo minimum
// fill kernels (hall_order_hd.cpp, hall_order_hf.cpp). Internal to those two
// files: everything else goes through hall_order_hx.h.
//
// The engine runs approximate minimum degree elimination on the quotient
// graph of a halo graph. The two kernels differ only in the key that places
// a variable in the priority lists (its approximate external degree, or an
// approximate fill score); the key is supplied by a policy class:
//
//   struct Policy {
//     static constexpr bool usesCliquePairs;  // does key() need the pair sum?
//     int64_t keyRange;                       // keys 0 .. keyRange
//     int64_t key(GraphNum degree, GraphNum weight, GraphNum elementDegree,
//                 float cliquePairs) const;
//   };
//
// with degree the variable's new approximate external degree, weight its
// weight, elementDegree the weight of the variables of the new element that
// contains it, itself included (at initialisation, just its own weight),
// and cliquePairs the sum,
// over its other elements e, of |Le \ Lme| (|Le \ Lme| - 1): ordered pairs
// of neighbours already joined by an older clique.
//
// Keys are weighted, so their range follows the loads, not the size of the
// graph. The caller gives as many lists as the graph's size warrants
// (lastList + 1). When they suffice, which they do for unit weights, each
// key has a list of its own. Otherwise the keys below 2^t keep a list each
// and the larger ones share lists as floating-point numbers with t mantissa
// bits do (see listOf), t being as large as the lists allow: the order of
// the lists is still that of the keys, exact where the small keys that the
// elimination picks first lie, and relatively as fine everywhere above.
//
// ---------------------------------------------------------------------------
// Vocabulary
//
// Every vertex is, at any time, exactly one of:
//   - a principal variable: not yet eliminated, weight[i] > 0 (negated while
//     it belongs to the element being formed), elementLength[i] >= 0;
//   - a halo variable: a principal variable that is never eliminated, told
//     apart by degree[i] == kHaloDegree (-1, below every degree); it is never in a
//     list, but it takes part in elements, absorption and supervariables
//     (with other halo variables only);
//   - a non-principal variable: merged into a supervariable, or eliminated
//     together with a pivot (mass elimination); weight[i] == 0,
//     elementLength[i] == 0 and start[i] is -j for the vertex j that took it
//     over;
//   - a removed dense vertex (see removeDenseVertices): weight[i] == 0 and
//     start[i] == 0, its weight kept in length[i], until finalise();
//   - an element: a former pivot; elementLength[e] is -(its pivot rank) and
//     weight[e] is its front size (> 0). A live element has a list of the
//     variables it joins (Le); an absorbed element has start[e] == -f, where
//     f is the element that absorbed it (its father in the assembly tree).
//
// Arrays (1-based unless said otherwise):
//
// start[i]     variable: position of its list in the workspace: first its
//              elementLength[i] elements, then its length[i] -
//              elementLength[i] variables (pruned lazily: the variable part
//              may still name non-principal variables). Live element: the
//              position of Le, or 0 when Le is empty. Non-principal
//              variable or absorbed element: -j as above. 0: no list.
// length[i]    number of entries of that list (on input, the signed degree
//              described in hall_order_hx.h).
// workspace    the lists, one after the other, with garbage between them
//              (lists of absorbed elements and pruned entries); positions
//              from freePosition on are free. The element being formed is
//              built in place (pivot without elements) or at freePosition.
//              When it is full, the lists are slid down (compression).
// weight[i]    principal variable: its weight (number of merged vertices,
//              or their load sum), negated while it lies in the element
//              being formed; element: its front size; otherwise 0.
// elementLength[i]  variable: number of elements at the head of its list;
//              element: -(pivot rank).
// degree[i]    variable: approximate external degree (weighted), or
//              kHaloDegree for a halo variable; element: |Le| (weighted),
//              its external degree when it was formed. Between the degree
//              update and the list insertion of a step, a variable of the
//              new element holds its degree outside the new element.
// head[k]      (0-based, k = 0 .. lastList) first variable of list k, or 0.
// next[i], last[i]  list links: next[i] is the following variable (0 at
//              the end); last[i] is the preceding one, or -(k + 1) when i is
//              first of list k. During supervariable detection a variable of
//              the new element is in no list: last[i] holds its hash bucket
//              and next[i] links the bucket's chain (see bucketInsert).
// work[i]      (64 bits: the marks climb by weighted sizes, which the loads
//              may make as large as 2^31 at each step) marks, relative to
//              flag: an element e with work[e] >= flag
//              has work[e] - flag = |Le \ Lme| during the degree update;
//              work[x] == flag marks the list of the variable being compared
//              during supervariable detection; work[e] == 0: absorbed. When
//              usesCliquePairs, a variable of the new element keeps its pair
//              sum in work[i] (raw float bits) from the degree update to the
//              list insertion, and gets 1 back afterwards.
//
// Weighted sums that may count a weight more than once (the approximate
// degrees, which add the outside parts of several elements) are taken in
// 64 bits and bounded before they are stored.
//
// At the end: start, weight and last are the output described in
// hall_order_hx.h; the other arrays are left as scratch.
#pragma once

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>

#include "common/common.h"

namespace hall_order {

template <class Policy>
class HaloEliminator {
 public:
  HaloEliminator(const Policy& policy, const char* kernelName, GraphNum degreeBound, GraphNum n, GraphNum iwlen,
                 GraphNum* start, GraphNum freePosition, GraphNum* length, GraphNum* workspace, GraphNum* weight,
                 GraphNum* elementLength, GraphNum* last, GraphNum* degree, GraphNum* head, GraphNum lastList,
                 GraphNum* next, int64_t* work)
      : policy_(policy),
        kernelName_(kernelName),
        degreeBound_(degreeBound),
        lastList_(lastList),
        mantissaBits_(mantissaBits(policy.keyRange, lastList)),
        n_(n),
        iwlen_(iwlen),
        start_(start),
        length_(length),
        iw_(workspace),
        weight_(weight),
        elementLength_(elementLength),
        last_(last),
        degree_(degree),
        head_(head),
        next_(next),
        work_(work),
        freePosition_(freePosition) {}

  // Runs the whole elimination. Returns the number of compressions, or -1
  // after reporting a failure.
  GraphNum run() {
    if (!initialise()) return -1;
    // Invariant of the main loop: every non-halo principal variable is in
    // the list of its key; every live element e has 0 < work[e] < flag;
    // eliminatedWeight_ is the weight of the non-halo vertices eliminated
    // so far (pivots, vertices merged into them, mass eliminations).
    while (eliminatedWeight_ < nonHaloWeight_) {
      if (flag_ >= flagLimit_) clearFlags();
      GraphNum pivot = selectPivot();
      if (pivot == 0) {
        errorPrint("%s: internal error (2)", kernelName_);
        return -1;
      }
      if (!formElement(pivot)) return -1;
      measureOutsideParts();
      updateVariables();
      largestElement_ = std::max(largestElement_, elementDegree_);
      flag_ += int64_t{largestElement_} + 1;  // every mark of this step is now below flag
      mergeIndistinguishable();
      finishElement();
    }
    finalise();
    return compressions_;
  }

 private:
  // ---------------------------------------------------------------------
  // Priority lists

  // The bits that keys above 2^bits keep, or -1 when every key has a list:
  // the largest count whose lists, 2^bits for the keys below 2^bits and as
  // many for each further power of two up to keyRange, fit in lastList + 1.
  static int mantissaBits(int64_t keyRange, GraphNum lastList) {
    if (keyRange <= lastList) return -1;
    const int topBit = std::bit_width(static_cast<uint64_t>(keyRange)) - 1;
    int bits = 0;
    for (int next = 1; next < topBit; next++)
      if ((int64_t{topBit} - next + 2) << next <= int64_t{lastList} + 1) bits = next;
    return bits;
  }

  GraphNum listOf(int64_t key) const {
    if (mantissaBits_ < 0 || key < (int64_t{1} << mantissaBits_)) return static_cast<GraphNum>(key);
    const int shift = std::bit_width(static_cast<uint64_t>(key)) - 1 - mantissaBits_;
    const int64_t list = ((int64_t{shift} + 1) << mantissaBits_) + ((key >> shift) - (int64_t{1} << mantissaBits_));
    return static_cast<GraphNum>(std::min<int64_t>(list, lastList_));
  }

  void listInsert(GraphNum i, int64_t key) {
    const GraphNum list = listOf(key);
    GraphNum first = head_[list];
    next_[i] = first;
    last_[i] = -(list + 1);
    if (first > 0) last_[first] = i;
    head_[list] = i;
    if (list < minList_) minList_ = list;
  }

  void listRemove(GraphNum i) {
    GraphNum following = next_[i];
    GraphNum previous = last_[i];
    if (previous > 0)
      next_[previous] = following;
    else
      head_[-previous - 1] = following;
    if (following > 0) last_[following] = previous;
  }

  // ---------------------------------------------------------------------
  // Hash buckets of the supervariable detection. A variable of the new
  // element is in no list then: last[i] keeps its whole hash (its bucket is
  // the hash's low bits) and next[i] links the bucket's chain, which
  // bucketHead_ starts. The buckets are few enough to stay in cache; the
  // detection of each step empties every bucket that the step filled.

  void bucketInsert(GraphNum i, uint32_t hash) {
    const GraphNum bucket = static_cast<GraphNum>(hash & static_cast<uint32_t>(bucketMask_));
    next_[i] = bucketHead_[bucket];
    bucketHead_[bucket] = i;
    last_[i] = static_cast<GraphNum>(hash);
  }
  GraphNum bucketOf(GraphNum i) const { return last_[i] & bucketMask_; }

  // Returns the first variable of the bucket and empties it.
  GraphNum bucketTake(GraphNum bucket) {
    GraphNum first = bucketHead_[bucket];
    bucketHead_[bucket] = 0;
    return first;
  }

  static constexpr GraphNum kHaloDegree = -1;
  bool isHalo(GraphNum i) const { return degree_[i] == kHaloDegree; }

  // ---------------------------------------------------------------------
  // Initialisation: decode the halo, compute the initial degrees, eliminate
  // the isolated non-halo variables and fill the lists (each inserted at
  // the head of its list, in vertex order).

  bool initialise() {
    int64_t totalWeight = 0;
    for (GraphNum i = 1; i <= n_; i++) {
      if (weight_[i] <= 0) {
        errorPrint("%s: internal error (1)", kernelName_);
        return false;
      }
      totalWeight += weight_[i];
    }
    if (totalWeight > degreeBound_ || freePosition_ < 1 || freePosition_ > int64_t{iwlen_} + 1) {
      errorPrint("%s: internal error (1)", kernelName_);
      return false;
    }
    // Work marks reach flag + 2 x degreeBound + n before they are cleared.
    flagLimit_ = INT64_MAX - 2 * int64_t{degreeBound_} - n_ - 4;
    totalWeight_ = static_cast<GraphNum>(totalWeight);
    weightSum_ = totalWeight_;
    flag_ = 2;
    for (GraphNum list = 0; list <= lastList_; list++) head_[list] = 0;
    minList_ = lastList_;
    bucketMask_ = 1;
    while (bucketMask_ < n_ && bucketMask_ < kBucketCount) bucketMask_ *= 2;
    for (GraphNum bucket = 0; bucket < bucketMask_; bucket++) bucketHead_[bucket] = 0;
    bucketMask_--;

    for (GraphNum i = 1; i <= n_; i++) {
      work_[i] = 1;
      elementLength_[i] = 0;
      GraphNum signedLength = length_[i];
      if (signedLength < 0) {  // halo variable
        length_[i] = signedLength == -int64_t{degreeBound_} - 1 ? 0 : -signedLength;
        degree_[i] = kHaloDegree;
        if (length_[i] == 0) start_[i] = 0;
      } else {
        degree_[i] = 0;  // anything but haloDegree until computed below
        nonHaloWeight_ += weight_[i];
      }
    }
    removeDenseVertices();
    for (GraphNum i = 1; i <= n_; i++) {
      if (isHalo(i) || isRemoved(i)) continue;
      if (length_[i] == 0) {  // isolated: eliminated at once, a root of its own
        elementLength_[i] = -(++pivotCount_);
        eliminatedWeight_ += weight_[i];
        start_[i] = 0;
        work_[i] = 0;
        lastPivot_ = i;
        continue;
      }
      int64_t sum = 0;  // a repeated neighbour counts twice: bound it
      for (GraphNum p = start_[i], end = start_[i] + length_[i]; p < end; p++) sum += weight_[iw_[p]];
      degree_[i] = static_cast<GraphNum>(std::min<int64_t>(sum, degreeBound_));
      listInsert(i, policy_.key(degree_[i], weight_[i], weight_[i], 0.0f));
    }
    return true;
  }

  // Dense vertices. A vertex joined to more than max(16, 10 sqrt(n))
  // vertices (the bound capped at n) would belong to the element of nearly
  // every pivot, and scanning its long list at each of them would make the
  // elimination quadratic. Such a vertex is taken out of the quotient graph
  // before the elimination: weight 0 and no list (start 0, which no other
  // vertex of weight 0 has), so that every list skips it as it skips
  // non-principal variables; its weight waits in length. A removed halo
  // vertex stops counting in the degrees of its neighbours and comes back
  // as a halo variable at the end. A removed non-halo vertex counts as
  // eliminated at once; finalise() orders the removed non-halo vertices
  // last, as one supervariable above every other root, whose front is their
  // weight plus that of their halo neighbours. The fronts of the other
  // pivots do not count the removed vertices.
  void removeDenseVertices() {
    const double bound = std::min(static_cast<double>(n_), std::max(16.0, 10.0 * std::sqrt(static_cast<double>(n_))));
    bool found = false;
    for (GraphNum i = 1; i <= n_; i++) {  // fronts first, while every weight is still in place
      if (static_cast<double>(length_[i]) <= bound) continue;
      found = true;
      if (isHalo(i)) continue;
      for (GraphNum p = start_[i], end = start_[i] + length_[i]; p < end; p++) {
        GraphNum j = iw_[p];
        if (isHalo(j) && work_[j] == 1) {
          work_[j] = 2;
          denseFront_ += weight_[j];
        }
      }
    }
    if (!found) return;
    for (GraphNum i = 1; i <= n_; i++) {
      work_[i] = 1;
      if (static_cast<double>(length_[i]) <= bound) continue;
      GraphNum weight = weight_[i];
      if (isHalo(i)) {
        totalWeight_ -= weight;
      } else {
        eliminatedWeight_ += weight;
        denseWeight_ += weight;
      }
      weight_[i] = 0;
      start_[i] = 0;
      length_[i] = weight;
    }
  }

  bool isRemoved(GraphNum i) const { return weight_[i] == 0 && start_[i] == 0; }

  void clearFlags() {
    for (GraphNum x = 1; x <= n_; x++)
      if (work_[x] != 0) work_[x] = 1;
    flag_ = 2;
  }

  // ---------------------------------------------------------------------
  // Pivot selection: the head of the lowest non-empty list.

  GraphNum selectPivot() {
    for (GraphNum list = minList_; list <= lastList_; list++) {
      GraphNum pivot = head_[list];
      if (pivot > 0) {
        minList_ = list;
        listRemove(pivot);
        return pivot;
      }
    }
    return 0;
  }

  // ---------------------------------------------------------------------
  // Forming the new element. Lme, the variables adjacent to the pivot in
  // the elimination graph, is the union of the pivot's own variables and
  // of the lists of its elements. Each variable of Lme is marked by
  // negating its weight and leaves its list; the elements of the pivot are
  // absorbed into the new element. Without elements, Lme is compacted in
  // place over the pivot's own list; otherwise it is appended at
  // freePosition, compressing the workspace when it is full.
  //
  // After this phase: Lme lies in workspace[elementBegin_ .. elementEnd_],
  // elementDegree_ is its weight, pivotWeight_ the weight of the pivot.

  bool formElement(GraphNum pivot) {
    pivot_ = pivot;
    GraphNum pivotElements = elementLength_[pivot];
    pivotWeight_ = weight_[pivot];
    eliminatedWeight_ += pivotWeight_;
    weight_[pivot] = -pivotWeight_;
    elementLength_[pivot] = -(++pivotCount_);
    lastPivot_ = pivot;
    elementDegree_ = 0;
    builtInPlace_ = pivotElements == 0;

    if (builtInPlace_) {
      GraphNum write = start_[pivot];
      elementBegin_ = write;
      for (GraphNum p = start_[pivot], end = p + length_[pivot]; p < end; p++) {
        GraphNum i = iw_[p];
        if (weight_[i] <= 0) continue;
        addToElement(i);
        iw_[write++] = i;
      }
      elementEnd_ = write - 1;
      return true;
    }

    elementBegin_ = freePosition_;
    GraphNum pivotCursor = start_[pivot];  // next unread entry of the pivot's list
    GraphNum pivotLeft = length_[pivot];
    for (GraphNum k = 0; k <= pivotElements; k++) {
      // The sources: the pivot's elements in turn, then its own variables.
      GraphNum source, cursor, left;
      if (k < pivotElements) {
        source = iw_[pivotCursor++];
        pivotLeft--;
        cursor = start_[source];
        left = length_[source];
      } else {
        source = pivot;
        cursor = pivotCursor;
        left = pivotLeft;
      }
      while (left > 0) {
        GraphNum i = iw_[cursor++];
        left--;
        if (weight_[i] <= 0) continue;  // already in Lme, or not principal
        if (freePosition_ > iwlen_) {
          // Keep only the unread parts of the lists being read, so that the
          // compression moves them and nothing else of them.
          if (source != pivot) {
            keepRemainder(pivot, pivotCursor, pivotLeft);
            keepRemainder(source, cursor, left);
          } else {
            keepRemainder(pivot, cursor, left);
          }
          compress();
          if (freePosition_ > iwlen_) {
            errorPrint("%s: internal error (1)", kernelName_);
            return false;
          }
          if (source != pivot) {
            pivotCursor = start_[pivot];
            cursor = start_[source];
          } else {
            cursor = start_[pivot];
          }
        }
        addToElement(i);
        iw_[freePosition_++] = i;
      }
      if (source != pivot) {  // absorbed: its variables are all in Lme
        start_[source] = -pivot;
        work_[source] = 0;
      }
    }
    elementEnd_ = freePosition_ - 1;
    return true;
  }

  void addToElement(GraphNum i) {
    GraphNum weight = weight_[i];
    elementDegree_ += weight;
    weight_[i] = -weight;
    if (!isHalo(i)) listRemove(i);
  }

  void keepRemainder(GraphNum owner, GraphNum cursor, GraphNum left) {
    start_[owner] = left > 0 ? cursor : 0;
    length_[owner] = left;
  }

  // Slides every live list down to the front of the workspace, then the
  // part of the new element built so far after them. A list's first entry
  // is replaced by the negated owner (entries are positive vertex numbers,
  // so the marks are found by a single sweep), its value kept in start.
  void compress() {
    compressions_++;
    for (GraphNum j = 1; j <= n_; j++) {
      GraphNum p = start_[j];
      if (p <= 0) continue;
      if (length_[j] == 0) {
        start_[j] = 0;
        continue;
      }
      start_[j] = iw_[p];
      iw_[p] = -j;
    }
    GraphNum destination = 1;
    GraphNum source = 1;
    while (source < elementBegin_) {
      GraphNum owner = -iw_[source];
      if (owner <= 0) {  // garbage
        source++;
        continue;
      }
      iw_[destination] = start_[owner];
      start_[owner] = destination;
      for (GraphNum k = 1; k < length_[owner]; k++) iw_[destination + k] = iw_[source + k];
      destination += length_[owner];
      source += length_[owner];
    }
    GraphNum newBegin = destination;
    for (source = elementBegin_; source < freePosition_; source++) iw_[destination++] = iw_[source];
    elementBegin_ = newBegin;
    freePosition_ = destination;
  }

  // ---------------------------------------------------------------------
  // Outside parts: for every element e adjacent to a variable of Lme,
  // work[e] - flag becomes |Le \ Lme| (weighted): it starts from |Le| the
  // first time e is met and loses the weight of each variable of Lme that
  // lists e.

  void measureOutsideParts() {
    for (GraphNum pme = elementBegin_; pme <= elementEnd_; pme++) {
      GraphNum i = iw_[pme];
      GraphNum elements = elementLength_[i];
      if (elements <= 0) continue;
      GraphNum weight = -weight_[i];
      int64_t firstMark = flag_ - weight;
      for (GraphNum p = start_[i], end = p + elements; p < end; p++) {
        GraphNum e = iw_[p];
        int64_t mark = work_[e];
        if (mark >= flag_)
          work_[e] = mark - weight;
        else if (mark != 0)
          work_[e] = degree_[e] + firstMark;
      }
    }
  }

  // ---------------------------------------------------------------------
  // Degree update of the variables of Lme. For each one:
  //   - its elements: an element with an empty outside part (Le within Lme)
  //     is absorbed into the new element (aggressive absorption); the
  //     others add their outside parts to the degree;
  //   - its variables: the ones in Lme (negative weight) and the
  //     non-principal ones are dropped, the others add their weights;
  //   - a non-halo variable left with neither elements nor variables has
  //     no neighbour outside the new element: it is eliminated with the
  //     pivot (mass elimination);
  //   - otherwise the new element becomes the first entry of its list
  //     (there is room: the list lost at least the pivot, or an element
  //     absorbed into the new one), its degree outside Lme is bounded by
  //     its former degree, and it is hashed on the sum of its list for the
  //     supervariable detection.

  void updateVariables() {
    for (GraphNum pme = elementBegin_; pme <= elementEnd_; pme++) {
      GraphNum i = iw_[pme];
      bool halo = isHalo(i);
      GraphNum p1 = start_[i];
      GraphNum elementsEnd = p1 + elementLength_[i];
      GraphNum listEnd = p1 + length_[i];
      GraphNum write = p1;
      int64_t degree = 0;
      uint32_t hash = 0;
      float cliquePairs = 0.0f;
      for (GraphNum p = p1; p < elementsEnd; p++) {
        GraphNum e = iw_[p];
        int64_t mark = work_[e];
        if (mark == 0) continue;  // absorbed during this step
        GraphNum outside = static_cast<GraphNum>(mark - flag_);  // at most |Le|
        if (outside > 0) {
          degree += outside;
          iw_[write++] = e;
          hash += static_cast<uint32_t>(e);
          if constexpr (Policy::usesCliquePairs)
            cliquePairs += static_cast<float>(outside) * static_cast<float>(outside - 1);
        } else {
          start_[e] = -pivot_;
          work_[e] = 0;
        }
      }
      GraphNum variablesBegin = write;
      for (GraphNum p = elementsEnd; p < listEnd; p++) {
        GraphNum j = iw_[p];
        GraphNum weight = weight_[j];
        if (weight > 0) {
          degree += weight;
          iw_[write++] = j;
          hash += static_cast<uint32_t>(j);
        }
      }
      if (!halo && write == p1) {  // mass elimination
        GraphNum weight = -weight_[i];
        start_[i] = -pivot_;
        elementDegree_ -= weight;
        pivotWeight_ += weight;
        eliminatedWeight_ += weight;
        weight_[i] = 0;
        elementLength_[i] = 0;
        continue;
      }
      elementLength_[i] = variablesBegin - p1 + 1;
      if (!halo) {
        degree_[i] = static_cast<GraphNum>(std::min<int64_t>(degree_[i], degree));
        if constexpr (Policy::usesCliquePairs) work_[i] = std::bit_cast<uint32_t>(cliquePairs);
      }
      // New element first: [me, e2 .. ek, e1, v2 .. vm, v1].
      iw_[write] = iw_[variablesBegin];
      iw_[variablesBegin] = iw_[p1];
      iw_[p1] = pivot_;
      length_[i] = write - p1 + 1;
      bucketInsert(i, hash);
    }
  }

  // ---------------------------------------------------------------------
  // Supervariable detection. Two variables of Lme are indistinguishable
  // when their lists hold the same elements and variables; they then have
  // the same hash. Within each bucket, the list of each variable is marked
  // and compared with the lists of the later ones; a match is merged into
  // the first (its weight added, its start pointing to it). A halo variable
  // is only merged with halo variables, so that no non-halo vertex ends up
  // never eliminated.

  void mergeIndistinguishable() {
    for (GraphNum pme = elementBegin_; pme <= elementEnd_; pme++) {
      GraphNum i = iw_[pme];
      if (weight_[i] >= 0) continue;  // merged or eliminated already
      for (GraphNum a = bucketTake(bucketOf(i)); a != 0 && next_[a] != 0; a = next_[a]) {
        // Equal lists have equal hashes. The buckets are few, so on large
        // elements each holds many variables whose hashes differ: a whose
        // hash no later variable of the chain shares is passed over before
        // its list is marked.
        const GraphNum hashA = last_[a];
        GraphNum match = next_[a];
        while (match != 0 && last_[match] != hashA) match = next_[match];
        if (match == 0) continue;
        GraphNum listLength = length_[a];
        GraphNum elements = elementLength_[a];
        bool haloA = isHalo(a);
        GraphNum aBegin = start_[a];
        for (GraphNum p = aBegin + 1; p < aBegin + listLength; p++) work_[iw_[p]] = flag_;
        GraphNum previous = a;
        for (GraphNum b = next_[a]; b != 0;) {
          bool same = last_[b] == hashA && length_[b] == listLength && elementLength_[b] == elements &&
                      isHalo(b) == haloA;
          if (same) {
            for (GraphNum p = start_[b] + 1, end = start_[b] + listLength; p < end; p++)
              if (work_[iw_[p]] != flag_) {
                same = false;
                break;
              }
          }
          if (same) {
            start_[b] = -a;
            weight_[a] += weight_[b];  // both negative: still marked as in Lme
            weight_[b] = 0;
            elementLength_[b] = 0;
            b = next_[b];
            next_[previous] = b;
          } else {
            previous = b;
            b = next_[b];
          }
        }
        flag_++;
      }
    }
  }

  // ---------------------------------------------------------------------
  // Finishing the element: the principal variables of Lme get their new
  // approximate degree (bounded by the weight left) and go back into the
  // lists; Lme is compacted to them; the pivot becomes an element whose
  // front size is its weight.

  void finishElement() {
    GraphNum write = elementBegin_;
    GraphNum weightLeft = totalWeight_ - eliminatedWeight_;
    for (GraphNum pme = elementBegin_; pme <= elementEnd_; pme++) {
      GraphNum i = iw_[pme];
      GraphNum weight = -weight_[i];
      if (weight <= 0) continue;
      weight_[i] = weight;
      if (!isHalo(i)) {
        GraphNum degree = static_cast<GraphNum>(
            std::min<int64_t>(int64_t{degree_[i]} + elementDegree_ - weight, weightLeft - weight));
        degree_[i] = degree;
        float cliquePairs = 0.0f;
        if constexpr (Policy::usesCliquePairs) {
          cliquePairs = std::bit_cast<float>(static_cast<uint32_t>(work_[i]));
          work_[i] = 1;
        }
        listInsert(i, policy_.key(degree, weight, elementDegree_, cliquePairs));
      }
      iw_[write++] = i;
    }
    GraphNum pivot = pivot_;
    weight_[pivot] = pivotWeight_ + elementDegree_;
    degree_[pivot] = elementDegree_;
    length_[pivot] = write - elementBegin_;
    start_[pivot] = length_[pivot] > 0 ? elementBegin_ : 0;
    if (!builtInPlace_) freePosition_ = write;
  }

  // ---------------------------------------------------------------------
  // Final phase: halo variables are hung under the last pivot, live
  // elements become roots, every non-principal variable points straight to
  // the vertex that represents it, and last[] receives the elimination
  // positions: the groups of the pivots in pivot order, then the halo.

  void finalise() {
    // The removed dense vertices come back: the halo ones as halo variables
    // left, the non-halo ones merged into the first of them, the last pivot.
    GraphNum denseRoot = 0;
    if (denseWeight_ > 0 || totalWeight_ < weightSum_) {
      for (GraphNum i = 1; i <= n_; i++) {
        if (!isRemoved(i)) continue;
        weight_[i] = length_[i];
        length_[i] = 0;
        if (isHalo(i)) continue;
        if (denseRoot == 0) {
          denseRoot = i;
          elementLength_[i] = -(++pivotCount_);
          weight_[i] = denseWeight_ + denseFront_;
          degree_[i] = denseFront_;
          lastPivot_ = i;
        } else {
          weight_[i] = 0;
          start_[i] = -denseRoot;
        }
      }
    }
    for (GraphNum i = 1; i <= n_; i++) {
      if (elementLength_[i] < 0) {
        if (start_[i] > 0) start_[i] = 0;
      } else if (weight_[i] > 0) {  // a halo variable left
        start_[i] = lastPivot_ > 0 ? -lastPivot_ : 0;
      }
    }
    if (denseRoot != 0) chainRoots(denseRoot);
    for (GraphNum i = 1; i <= n_; i++) {
      if (weight_[i] != 0) continue;
      GraphNum representative = -start_[i];
      while (weight_[representative] == 0) representative = -start_[representative];
      for (GraphNum j = i; weight_[j] == 0;) {
        GraphNum following = -start_[j];
        start_[j] = -representative;
        j = following;
      }
    }
    // Group sizes by pivot rank (degree is free now), then their first
    // positions.
    for (GraphNum rank = 1; rank <= pivotCount_; rank++) degree_[rank] = 0;
    for (GraphNum i = 1; i <= n_; i++) {
      GraphNum owner = weight_[i] == 0 ? -start_[i] : i;
      if (elementLength_[owner] < 0) degree_[-elementLength_[owner]]++;
    }
    GraphNum position = 1;
    for (GraphNum rank = 1; rank <= pivotCount_; rank++) {
      GraphNum count = degree_[rank];
      degree_[rank] = position;
      position += count;
    }
    // The pivot first in its group: a variable eliminated with it only has
    // the element's structure once the pivot is gone.
    for (GraphNum i = 1; i <= n_; i++)
      if (elementLength_[i] < 0) last_[i] = degree_[-elementLength_[i]]++;
    for (GraphNum i = 1; i <= n_; i++) {
      if (elementLength_[i] < 0) continue;
      GraphNum owner = weight_[i] == 0 ? -start_[i] : i;
      last_[i] = elementLength_[owner] < 0 ? degree_[-elementLength_[owner]]++ : position++;
    }
  }

  // The removed dense vertices follow every other pivot: the roots of the
  // tree are chained in pivot order, the last one under the dense root.
  // This is the tree that eliminating a star's leaves builds (each leaf's
  // element absorbs the previous one through the centre), so that the
  // column blocks merged from it stay as small as without the removal,
  // instead of every root joining the dense root's block. next[] serves as
  // the root of each pivot rank.
  void chainRoots(GraphNum denseRoot) {
    for (GraphNum rank = 1; rank <= pivotCount_; rank++) next_[rank] = 0;
    for (GraphNum i = 1; i <= n_; i++)
      if (elementLength_[i] < 0 && start_[i] == 0 && i != denseRoot) next_[-elementLength_[i]] = i;
    GraphNum previous = 0;
    for (GraphNum rank = 1; rank <= pivotCount_; rank++) {
      GraphNum root = next_[rank];
      if (root == 0) continue;
      if (previous != 0) start_[previous] = -root;
      previous = root;
    }
    if (previous != 0) start_[previous] = -denseRoot;
  }

  const Policy& policy_;
  const char* kernelName_;
  const GraphNum degreeBound_;
  const GraphNum lastList_;  // lists 0 .. lastList_
  const int mantissaBits_;   // -1: a list per key; else see listOf
  const GraphNum n_;
  const GraphNum iwlen_;
  GraphNum* const start_;
  GraphNum* const length_;
  GraphNum* const iw_;
  GraphNum* const weight_;
  GraphNum* const elementLength_;
  GraphNum* const last_;
  GraphNum* const degree_;
  GraphNum* const head_;
  GraphNum* const next_;
  int64_t* const work_;

  GraphNum freePosition_;
  static constexpr GraphNum kBucketCount = 4096;
  GraphNum bucketHead_[kBucketCount];
  GraphNum bucketMask_ = 0;  // bucket count - 1 (a power of two, at most n rounded up)
  GraphNum compressions_ = 0;
  GraphNum totalWeight_ = 0;
  GraphNum nonHaloWeight_ = 0;
  GraphNum eliminatedWeight_ = 0;
  GraphNum minList_ = 0;
  int64_t flag_ = 2;
  int64_t flagLimit_ = 0;
  GraphNum largestElement_ = 0;
  GraphNum pivotCount_ = 0;
  GraphNum lastPivot_ = 0;
  GraphNum weightSum_ = 0;    // total weight of all vertices, removed ones included
  GraphNum denseWeight_ = 0;  // weight of the removed non-halo vertices
  GraphNum denseFront_ = 0;   // weight of the halo neighbours of those vertices

  // The element being formed.
  GraphNum pivot_ = 0;
  GraphNum pivotWeight_ = 0;
  GraphNum elementDegree_ = 0;
  GraphNum elementBegin_ = 0;
  GraphNum elementEnd_ = -1;
  bool builtInPlace_ = false;
};

}  // namespace hall_order
