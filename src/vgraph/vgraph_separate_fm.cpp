// Separation method f: FM vertex separator refinement. Separator vertices
// are moved into part 0 or part 1 (pulling their neighbours of the other part
// into the separator), greedily by gain under a load-balance bound; moves are
// applied tentatively and rolled back to the best state met, and passes
// repeat while they improve.
//
// The entries of the vertices that the moves reach live in an
// open-addressing hash table, whose slot order decides the order of the
// separator written back and of the re-filing after a resize. Looking
// entries up goes through two arrays indexed by vertex instead of probing:
// the slot of each vertex's entry and the tentative part of every vertex
// (its part in the separation graph while it has no entry), so that the
// common tests of the move loop read one byte next to the neighbours' own
// data. The separation graph is written once at the end.
//
// The parts of the neighbours and the states of the entries that the move
// loop meets follow no pattern, so the loop decides on them with masks,
// lists and tables rather than branches: mispredicted branches, more than
// instructions, bound its speed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "graph/gain.h"
#include "vgraph/vgraph_separate_methods.h"

namespace {

// Link states of an entry.
enum : int8_t {
  FM_FREE = 0,            // neither filed nor locked; both links point to themselves
  FM_CHAINED = 1,         // free, waiting on the chain to be filed after the current move
  FM_LOCKED = 2,          // moved in this pass; link to part 1 threaded on the lock list, link to
                          // part 0 pointing to itself
  FM_LOCKED_CHAINED = 3,  // locked, waiting on the chain for a possible unlock
  FM_MOVING = 4,          // the vertex being moved: neither chained nor filed meanwhile
  FM_FILED = 5,           // both links in the gain table
  FM_FILED_CHAINED = 6,   // filed, waiting on the chain to be filed anew; its links leave the
                          // table only when its turn comes, which leaves every bucket list as
                          // if they had left at once (removals keep the order of the others)
};

// The state of a separator entry whose gains change, and whether it joins
// the chain then: a filed one waits to be filed anew, a locked one for a
// possible unlock; a chained or moving one stays as it is. Indexed by state.
constexpr int8_t fmRefiledState[7] = {FM_FREE,   FM_CHAINED, FM_LOCKED_CHAINED, FM_LOCKED_CHAINED,
                                      FM_MOVING, FM_FILED_CHAINED, FM_FILED_CHAINED};
constexpr GraphNum fmRefiledPush[7] = {0, 0, -1, 0, 0, -1, 0};  // all bits set: joins the chain

// Once a move is chosen, the scan goes on through its bucket for a
// cheaper move or an equal one towards the preferred part, but over this
// many links at most: on large separators a bucket holds thousands of
// moves of equal gain, and scanning all of them at every move made the
// refinement grow faster than the separator. Measured against an unbounded
// scan on 2D and 3D grids (700^2, 60^3, 100^3) and meshes: the fill is the
// same within the run-to-run spread (operation counts 0.5% apart on the
// geometric mean, some graphs better and some worse either way), while
// the unbounded scan took 2.3 times the ordering time, and much more
// under whole-graph refinement on the 100^3 grid. The bound stays.
constexpr GraphNum FM_TIE_SCAN_LIMIT = 32;

// One vertex entry. Each link is followed by the number of the part it
// leads to, so that a link taken from the gain table finds its entry: the
// link to part p lies p * FM_LINK_STRIDE bytes into the entry.
struct FmEntry {
  GainLink link0;      // filed under gain[0]
  int8_t target0;      // always 0
  int8_t state;        // link state
  GraphNum negLoad;    // minus the vertex load
  GainLink link1;      // filed under gain[1], or threaded on the lock list while locked
  int8_t target1;      // always 1
  GraphNum gain[2];    // separator-load change of a move to part 0 or part 1
  GraphNum stamp;      // commit number at which the entry was last saved in the undo log
  GraphNum vertex;     // vertex number, -1 for an empty slot
  GraphNum chainNext;  // slot of the next entry on the chain, -1 at its end
};
static_assert(sizeof(FmEntry) == 80, "the chain link fills the padding of the entry");

constexpr ptrdiff_t FM_LINK_STRIDE = offsetof(FmEntry, link1);
static_assert(offsetof(FmEntry, target0) == sizeof(GainLink), "target must follow its link");
static_assert(offsetof(FmEntry, target1) == FM_LINK_STRIDE + static_cast<ptrdiff_t>(sizeof(GainLink)),
              "target must follow its link");

inline int fmLinkTarget(const GainLink* link) {
  return *reinterpret_cast<const int8_t*>(reinterpret_cast<const char*>(link) + sizeof(GainLink));
}
inline FmEntry* fmLinkEntry(GainLink* link, int target) {
  return reinterpret_cast<FmEntry*>(reinterpret_cast<char*>(link) - target * FM_LINK_STRIDE);
}

// Undo record: the state of an entry before its first modification since
// the last commit. slot holds the vertex number while the table is resized.
static_assert(sizeof(FmEntry) % 8 == 0, "entries keep the arrays behind the table aligned");

struct FmUndo {
  GraphNum slot;
  GraphNum part;
  GraphNum gain[2];
};

// Tentative part of a separator vertex of the separation graph that its
// frontier does not list (see FmContext::vertexPart).
constexpr int8_t FM_STRAY = 3;

// Neighbours listed at a time by the move loop.
constexpr GraphNum FM_CHUNK = 64;

// Mantissa bits of the logarithmic gain table.
constexpr int FM_GAIN_SUB_BITS = 4;

inline GraphNum fmHome(GraphNum vertex, GraphNum mask) {
  return static_cast<GraphNum>((static_cast<uint32_t>(vertex) * 17u) & static_cast<uint32_t>(mask));
}

// The tentative state of one call.
struct FmContext {
  const GraphNum* edgeBegin;
  const GraphNum* edgeEnd;
  const GraphNum* edgeTarget;
  const GraphNum* vertexLoad;
  const uint8_t* parts;

  void* block;  // hash table, its key array and the undo log
  FmEntry* hash;
  GraphNum* keys;  // vertex of each slot, -1 when empty: probing reads only this array
  FmUndo* undo;
  // Indexed by vertex (addressed from base): the slot of the vertex's entry
  // or -1, and its tentative part (0, 1 or 2). A vertex without entry keeps
  // its part of the separation graph, 0 or 1: every separator vertex of a
  // sound separation is in its frontier and has an entry from the start.
  // A separator vertex missing from the frontier has no entry and the part
  // FM_STRAY: it is treated as a vertex without entry lying in neither part
  // (never pulled into the separator, its load counted as outside it).
  GraphNum* vertexSlot;
  int8_t* vertexPart;
  GraphNum hashSize;
  GraphNum hashMask;
  GraphNum hashCount;  // entries in the table
  GraphNum undoCount;
  GainTable* table;
  GainLink lockHead;  // sentinel of the circular lock list
  GraphNum chain;     // slot of the first entry to file after the current move (the most
                      // recently chained), -1 when none
  GraphNum commit;    // commit number

  GraphNum loadOf(GraphNum vertex) const { return (vertexLoad != nullptr) ? vertexLoad[vertex] : 1; }

  GraphNum slotOf(const FmEntry* entry) const { return static_cast<GraphNum>(entry - hash); }
  // A new entry for a vertex known to have none, in the first free slot of
  // its probe sequence; returns its slot.
  GraphNum create(GraphNum vertex, int part) {
    GraphNum slot = fmHome(vertex, hashMask);
    while (keys[slot] != -1) slot = (slot + 1) & hashMask;
    keys[slot] = vertex;
    vertexSlot[vertex] = slot;
    vertexPart[vertex] = static_cast<int8_t>(part);
    FmEntry* entry = &hash[slot];
    entry->target0 = 0;
    entry->target1 = 1;
    makeFree(entry);
    entry->negLoad = -loadOf(vertex);
    entry->gain[0] = entry->gain[1] = -1;  // set when the vertex joins the separator
    entry->stamp = -1;
    entry->vertex = vertex;
    hashCount++;
    return slot;
  }

  void saveUndo(GraphNum slot) {
    FmEntry* entry = &hash[slot];
    if (entry->stamp == commit) return;
    FmUndo& record = undo[undoCount++];
    record.slot = slot;
    record.part = vertexPart[entry->vertex];
    record.gain[0] = entry->gain[0];
    record.gain[1] = entry->gain[1];
    entry->stamp = commit;
  }

  void file(FmEntry* entry) {
    entry->state = FM_FILED;
    gainTableAddLogBits<FM_GAIN_SUB_BITS>(table, &entry->link0, entry->gain[0]);
    gainTableAddLogBits<FM_GAIN_SUB_BITS>(table, &entry->link1, entry->gain[1]);
  }
  // Links that are neither filed nor on the lock list point to themselves,
  // so that taking them out of a list, where they are not, is harmless.
  static void makeFree(FmEntry* entry) {
    entry->state = FM_FREE;
    entry->link0.next = entry->link0.prev = &entry->link0;
    entry->link1.next = entry->link1.prev = &entry->link1;
  }
  static void unfile(FmEntry* entry) {
    gainTableRemove(&entry->link0);
    gainTableRemove(&entry->link1);
  }

  void lock(FmEntry* entry) {
    entry->link0.next = entry->link0.prev = &entry->link0;
    GainLink* link = &entry->link1;
    link->next = lockHead.next;
    link->prev = &lockHead;
    lockHead.next->prev = link;
    lockHead.next = link;
  }
  void clearLocks() { lockHead.next = lockHead.prev = &lockHead; }

  // Puts the entry of a slot on the chain.
  void pushChain(GraphNum slot) {
    hash[slot].chainNext = chain;
    chain = slot;
  }

  // A separator entry whose gains changed (see fmRefiledState), without
  // branches on its state, which follows no pattern.
  void refile(GraphNum slot) {
    FmEntry* entry = &hash[slot];
    const int state = entry->state;
    const GraphNum pushMask = fmRefiledPush[state];
    entry->state = fmRefiledState[state];
    entry->chainNext = (chain & pushMask) | (entry->chainNext & ~pushMask);
    chain = (slot & pushMask) | (chain & ~pushMask);
  }

  int resize();
};

// Doubles the hash table and the undo log in place and rehashes the
// entries. Entries only move to earlier slots of their new probe sequences,
// in an order that keeps every probe sequence unbroken: first the run of
// occupied slots that ends the old half (their sequences may wrap around),
// then the rest of the old half from its start.
int FmContext::resize() {
  const GraphNum oldSize = hashSize;
  const GraphNum newSize = oldSize * 2;
  FmEntry* newHash;
  GraphNum* newKeys;
  FmUndo* newUndo;
  void* newBlock = memGroupRealloc(block, {memEntry(newHash, static_cast<size_t>(newSize) * sizeof(FmEntry)),
                                           memEntry(newKeys, static_cast<size_t>(newSize) * sizeof(GraphNum)),
                                           memEntry(newUndo, static_cast<size_t>(newSize) * sizeof(FmUndo))});
  if (newBlock == nullptr) {
    errorPrint("vgraphSeparateFmResize: out of memory");
    return 1;
  }
  // The arrays behind the old table (every size a multiple of 8 bytes, as
  // sizes are at least 512) move behind the new one, the furthest first,
  // before the new half of the table is filled.
  GraphNum* oldKeys = reinterpret_cast<GraphNum*>(newHash + oldSize);
  FmUndo* oldUndo = reinterpret_cast<FmUndo*>(oldKeys + oldSize);
  memmove(newUndo, oldUndo, static_cast<size_t>(undoCount) * sizeof(FmUndo));
  memmove(newKeys, oldKeys, static_cast<size_t>(oldSize) * sizeof(GraphNum));
  block = newBlock;
  hash = newHash;
  keys = newKeys;
  undo = newUndo;
  for (GraphNum index = 0; index < undoCount; index++) undo[index].slot = keys[undo[index].slot];
  memset(keys + oldSize, 0xFF, static_cast<size_t>(oldSize) * sizeof(GraphNum));
  hashSize = newSize;
  hashMask = newSize - 1;
  gainTableClear(table);
  clearLocks();

  auto reinsert = [this](GraphNum slot) {
    const GraphNum vertex = keys[slot];
    if (vertex == -1) return;
    for (GraphNum probe = fmHome(vertex, hashMask); probe != slot; probe = (probe + 1) & hashMask) {
      if (keys[probe] == -1) {
        hash[probe] = hash[slot];
        keys[probe] = vertex;
        vertexSlot[vertex] = probe;
        keys[slot] = -1;
        hash[slot].vertex = -1;
        hash[slot].stamp = -1;
        return;
      }
    }
  };
  GraphNum runStart = oldSize;  // start of the run of occupied slots ending the old half
  while ((runStart > 0) && (keys[runStart - 1] != -1)) runStart--;
  for (GraphNum slot = runStart; slot < oldSize; slot++) reinsert(slot);
  for (GraphNum slot = 0; slot < runStart; slot++) reinsert(slot);

  for (GraphNum slot = 0; slot < newSize; slot++) {
    if (keys[slot] == -1) continue;
    FmEntry* entry = &hash[slot];
    if (entry->state == FM_FILED)
      file(entry);
    else if (entry->state == FM_LOCKED)
      lock(entry);
    else  // free: its links point to their new places
      makeFree(entry);
  }
  for (GraphNum index = 0; index < undoCount; index++) undo[index].slot = vertexSlot[undo[index].slot];
  return 0;
}

}  // namespace

int vgraphSeparateFm(Vgraph* graph, const void* parameters) {
  const VgraphSeparateFmParam* param = static_cast<const VgraphSeparateFmParam*>(parameters);
  const Graph& core = graph->graph;
  if (core.vertexCount == 0) return 0;

  // Target imbalance: at least two average vertex loads, so that a graph of
  // odd load can still be balanced.
  GraphNum maxDelta = 0;
  if (param->bal > 0.0) {
    const GraphNum average = static_cast<GraphNum>(2 * static_cast<int64_t>(core.vertexLoadSum) / core.vertexCount);
    const GraphNum fraction =
        static_cast<GraphNum>(param->bal * static_cast<double>(graph->partLoad[0] + graph->partLoad[1]));
    maxDelta = (average > fraction) ? average : fraction;
  }
  if (graph->frontierCount == 0) {
    if (abs(graph->loadDelta) <= maxDelta) return 0;
    const VgraphSeparateGgParam growParam = {4};
    if (vgraphSeparateGg(graph, &growParam) != 0) return 1;
    if (graph->frontierCount == 0) return 0;
  }

  FmContext context = {};
  context.edgeBegin = core.edgeBegin;
  context.edgeEnd = core.edgeEnd;
  context.edgeTarget = core.edgeTarget;
  context.vertexLoad = core.vertexLoad;
  context.parts = graph->parts;

  const int64_t wanted = ((static_cast<int64_t>(param->move) + graph->frontierCount + core.maxDegree) * 16) | 1;
  const int64_t bound = (wanted < core.vertexCount) ? wanted : core.vertexCount;
  GraphNum hashSize = 512;
  while (hashSize < bound) hashSize *= 2;

  const size_t vertexCount = static_cast<size_t>(core.vertexCount);
  context.table = gainTableInit(2147483646, FM_GAIN_SUB_BITS);
  void* vertexBlock = nullptr;
  if (context.table != nullptr)
    context.block = memGroupAlloc({memEntry(context.hash, static_cast<size_t>(hashSize) * sizeof(FmEntry)),
                                   memEntry(context.keys, static_cast<size_t>(hashSize) * sizeof(GraphNum)),
                                   memEntry(context.undo, static_cast<size_t>(hashSize) * sizeof(FmUndo))});
  if (context.block != nullptr)
    vertexBlock = memGroupAlloc({memEntry(context.vertexSlot, vertexCount * sizeof(GraphNum)),
                                 memEntry(context.vertexPart, vertexCount * sizeof(int8_t))});
  if (vertexBlock == nullptr) {
    errorPrint("vgraphSeparateFm: out of memory (1)");
    if (context.block != nullptr) memFree(context.block);
    if (context.table != nullptr) gainTableExit(context.table);
    return 1;
  }
  memset(context.vertexSlot, 0xFF, vertexCount * sizeof(GraphNum));  // no vertex has an entry yet
  for (size_t index = 0; index < vertexCount; index++) {
    const uint8_t part = graph->parts[core.base + static_cast<GraphNum>(index)];
    context.vertexPart[index] = static_cast<int8_t>((part == 2) ? FM_STRAY : part);  // until its entry is made
  }
  context.vertexSlot -= core.base;
  context.vertexPart -= core.base;
  // An empty slot is one whose key is -1; an entry's fields are all set
  // when it is created, so only the keys need clearing.
  memset(context.keys, 0xFF, static_cast<size_t>(hashSize) * sizeof(GraphNum));
  context.hashSize = hashSize;
  context.hashMask = hashSize - 1;
  context.clearLocks();
  context.chain = -1;

  const GraphNum* edgeBegin = core.edgeBegin;
  const GraphNum* edgeEnd = core.edgeEnd;
  const GraphNum* edgeTarget = core.edgeTarget;
  const uint8_t* parts = graph->parts;

  for (GraphNum index = 0; index < graph->frontierCount; index++) {
    const GraphNum vertex = graph->frontier[index];
    FmEntry* entry = &context.hash[context.create(vertex, 2)];
    GraphNum neighbourLoad[3] = {0, 0, 0};
    for (GraphNum edge = edgeBegin[vertex]; edge < edgeEnd[vertex]; edge++) {
      const GraphNum end = edgeTarget[edge];
      neighbourLoad[parts[end]] += context.loadOf(end);
    }
    entry->gain[0] = neighbourLoad[1] + entry->negLoad;
    entry->gain[1] = neighbourLoad[0] + entry->negLoad;
    context.file(entry);
  }

  GraphNum bestSeparatorLoad = graph->partLoad[2];
  GraphNum bestDelta = graph->loadDelta;
  GraphNum balanceBound = (abs(bestDelta) > maxDelta) ? abs(bestDelta) : maxDelta;
  context.commit = -1;
  GraphNum passesLeft = param->pass;

  while (true) {
    // Roll back to the committed state, latest modification first.
    for (GraphNum index = context.undoCount - 1; index >= 0; index--) {
      const FmUndo& record = context.undo[index];
      FmEntry* entry = &context.hash[record.slot];
      context.vertexPart[entry->vertex] = static_cast<int8_t>(record.part);
      entry->gain[0] = record.gain[0];
      entry->gain[1] = record.gain[1];
      if (entry->state == FM_FILED) {
        FmContext::unfile(entry);
        FmContext::makeFree(entry);
      }
      if ((record.part == 2) && (entry->state == FM_FREE)) context.file(entry);
    }
    if (abs(bestDelta) > balanceBound) balanceBound = abs(bestDelta);
    {  // unlock every locked entry
      GainLink* link = context.lockHead.next;
      while (link != &context.lockHead) {
        GainLink* next = link->next;
        FmEntry* entry = fmLinkEntry(link, 1);
        if (context.vertexPart[entry->vertex] == 2)
          context.file(entry);
        else
          FmContext::makeFree(entry);
        link = next;
      }
      context.clearLocks();
    }
    context.undoCount = 0;
    if (param->move < 1) break;

    GraphNum movesSinceImprovement = 0;
    context.commit++;
    bool improved = false;
    GraphNum delta = bestDelta;
    GraphNum separatorLoad = bestSeparatorLoad;
    const GraphNum passStartLoad = bestSeparatorLoad;
    const GraphNum passStartDelta = bestDelta;
    const int preferredPart = passesLeft & 1;

    while (movesSinceImprovement < param->move) {
      // Choose the move of least gain within the balance bound; a move that
      // only shrinks the separator is taken at once.
      GainLink* chosen = nullptr;
      GraphNum chosenGain = 2147483646;
      GraphNum chosenDelta = 0;
      GainEntry* limit = context.table->last;
      GraphNum scanLeft = FM_TIE_SCAN_LIMIT;
      for (GainLink* link = gainTableFirst(context.table); link != nullptr;
           link = gainTableNext(context.table, link)) {
        if (link->bucket > limit) break;
        if ((chosen != nullptr) && (--scanLeft < 0)) break;
        const int target = fmLinkTarget(link);
        FmEntry* entry = fmLinkEntry(link, target);
        const GraphNum gain = entry->gain[target];
        const GraphNum moveDelta = gain - 2 * entry->negLoad;  // gain + 2 * load
        const GraphNum newDelta = (target == 0) ? delta + moveDelta : delta - moveDelta;
        if (gain == entry->negLoad) {
          chosen = link;
          chosenGain = gain;
          chosenDelta = newDelta;
          break;
        }
        if (abs(newDelta) > balanceBound) continue;
        if ((gain < chosenGain) || ((gain == chosenGain) && (target == preferredPart))) {
          chosen = link;
          chosenGain = gain;
          chosenDelta = newDelta;
          limit = link->bucket;
        }
      }
      if (chosen == nullptr) break;

      // Apply the move of the chosen vertex to part toPart.
      const int toPart = fmLinkTarget(chosen);
      const int otherPart = 1 - toPart;
      FmEntry* moved = fmLinkEntry(chosen, toPart);
      const GraphNum movedSlot = context.slotOf(moved);
      const GraphNum movedVertex = moved->vertex;
      const GraphNum movedLoad = -moved->negLoad;
      FmContext::unfile(moved);
      context.lock(moved);
      moved->state = FM_MOVING;
      context.saveUndo(movedSlot);

      // The table does not move before the resize check below: reach the
      // entries through local copies that stores into entries cannot alias.
      const GraphNum* const vertexSlot = context.vertexSlot;
      int8_t* const vertexPart = context.vertexPart;
      FmEntry* const hash = context.hash;
      // Neighbourhoods are scanned in chunks: a first loop without branches
      // on the parts lists the vertices that need work, in adjacency order,
      // and a second loop does that work. The lists stay exact, as the work
      // never changes the part of a vertex still to be listed: only a
      // vertex of otherPart joins the separator, and it is the one being
      // worked on (a repeated arc finds it in the separator when its turn
      // comes, since the part is read again).
      // The parts whose vertices need work, as bits: otherPart and the
      // separator (not toPart, nor FM_STRAY).
      const unsigned workParts = (1u << otherPart) | (1u << 2);
      GraphNum listed[FM_CHUNK];
      GraphNum separatorListed[FM_CHUNK];
      for (GraphNum chunk = edgeBegin[movedVertex], edgeStop = edgeEnd[movedVertex]; chunk < edgeStop;
           chunk += FM_CHUNK) {
        const GraphNum chunkStop = (edgeStop - chunk > FM_CHUNK) ? chunk + FM_CHUNK : edgeStop;
        GraphNum listedCount = 0;
        for (GraphNum edge = chunk; edge < chunkStop; edge++) {  // vertices of toPart stay where they are
          const GraphNum neighbour = edgeTarget[edge];
          listed[listedCount] = neighbour;
          listedCount += (workParts >> vertexPart[neighbour]) & 1;
        }
        for (GraphNum position = 0; position < listedCount; position++) {
          const GraphNum neighbour = listed[position];
          const int part = vertexPart[neighbour];
          GraphNum slot = vertexSlot[neighbour];
          if (slot < 0) slot = context.create(neighbour, otherPart);  // in otherPart, as it has no entry
          FmEntry* entry = &hash[slot];
          if (part == 2) {  // moving it to otherPart would now pull the moved vertex in
            context.saveUndo(slot);
            entry->gain[otherPart] += movedLoad;
            context.refile(slot);
            continue;
          }
          // In otherPart: pulled into the separator.
          if (entry->stamp != context.commit) {
            FmUndo& record = context.undo[context.undoCount++];
            record.slot = slot;
            record.part = otherPart;
            record.gain[0] = record.gain[1] = 0;
            entry->stamp = context.commit;
          }
          vertexPart[neighbour] = 2;
          entry->gain[otherPart] = movedLoad + entry->negLoad;
          GraphNum gainToPart = entry->negLoad;
          for (GraphNum chunk2 = edgeBegin[neighbour], edge2Stop = edgeEnd[neighbour]; chunk2 < edge2Stop;
               chunk2 += FM_CHUNK) {
            const GraphNum chunk2Stop = (edge2Stop - chunk2 > FM_CHUNK) ? chunk2 + FM_CHUNK : edge2Stop;
            GraphNum separatorCount = 0;
            for (GraphNum edge2 = chunk2; edge2 < chunk2Stop; edge2++) {
              const GraphNum second = edgeTarget[edge2];
              const GraphNum inSeparator = (vertexPart[second] == 2);
              gainToPart += context.loadOf(second) & (inSeparator - 1);  // the load outside the separator
              separatorListed[separatorCount] = second;
              separatorCount += inSeparator;
            }
            for (GraphNum position2 = 0; position2 < separatorCount; position2++) {
              const GraphNum secondSlot = vertexSlot[separatorListed[position2]];
              FmEntry* secondEntry = &hash[secondSlot];
              context.saveUndo(secondSlot);
              secondEntry->gain[toPart] += entry->negLoad;  // moving it to toPart no longer pulls this one in
              context.refile(secondSlot);
            }
          }
          entry->gain[toPart] = gainToPart;
          // Outside the separator the entry was free or locked.
          entry->state = (entry->state == FM_LOCKED) ? FM_LOCKED_CHAINED : FM_CHAINED;
          context.pushChain(slot);
        }
      }
      vertexPart[movedVertex] = static_cast<int8_t>(toPart);
      moved->state = FM_LOCKED;

      while (context.chain >= 0) {
        FmEntry* entry = &hash[context.chain];
        context.chain = entry->chainNext;
        // A filed or free entry is filed anew; a locked one only when its
        // move to toPart is a pure shrinking move, worth unlocking. Its
        // links leave the gain table, or the lock list, alike: taking a
        // link out of either is the same, and harmless for a link that is
        // in neither.
        if ((entry->state != FM_LOCKED_CHAINED) | (entry->gain[toPart] == entry->negLoad)) {
          FmContext::unfile(entry);
          context.file(entry);
        } else
          entry->state = FM_LOCKED;
      }

      if (context.hashCount >= context.hashSize / 4) {
        if (context.resize() != 0) {
          errorPrint("vgraphSeparateFm: out of memory (2)");
          memFree(vertexBlock);
          memFree(context.block);
          gainTableExit(context.table);
          return 1;
        }
      }

      separatorLoad += chosenGain;
      delta = chosenDelta;
      movesSinceImprovement++;

      const GraphNum bestDeltaBefore = bestDelta;
      auto commitState = [&]() {
        bestSeparatorLoad = separatorLoad;
        bestDelta = delta;
        context.undoCount = 0;
        context.commit++;
      };
      if ((abs(bestDelta) > maxDelta) || (abs(delta) < maxDelta)) {
        if ((separatorLoad < bestSeparatorLoad) ||
            ((separatorLoad == bestSeparatorLoad) && (abs(delta) < abs(bestDelta)))) {
          commitState();
          movesSinceImprovement = 0;
          improved = true;
        } else if ((separatorLoad == bestSeparatorLoad) && (abs(delta) == abs(bestDelta)))
          commitState();
      }
      // The balance bound only tightens towards maxDelta; once it tightens
      // while the best state is still out of balance, the current state
      // becomes the best one.
      if (abs(delta) > balanceBound)
        balanceBound = abs(delta);
      else if (balanceBound > maxDelta) {
        const GraphNum newBound = (abs(delta) > maxDelta) ? abs(delta) : maxDelta;
        if ((abs(bestDeltaBefore) > maxDelta) && (newBound < balanceBound)) {
          commitState();
          movesSinceImprovement = 0;
        }
        balanceBound = newBound;
      }
    }

    // An improvement is measured against the last committed state, which a
    // tightening balance bound may have made worse than the state the pass
    // started from; a pass then "improves" back to where it started, and
    // without a pass limit the passes would cycle for ever. Another pass
    // follows only when the pass ends strictly better than it started, in
    // the order of the improvement test: the separator load, then the
    // imbalance. Pass starts then strictly decrease in a well-founded order.
    const bool endsBetter = (bestSeparatorLoad < passStartLoad) ||
                            ((bestSeparatorLoad == passStartLoad) && (abs(bestDelta) < abs(passStartDelta)));
    passesLeft--;
    if ((passesLeft == 0) || !improved || !endsBetter) break;
  }

  // Undo the moves made since the last commit, then write the tentative
  // parts back; the separator is listed in slot order.
  for (GraphNum index = context.undoCount - 1; index >= 0; index--) {
    const FmUndo& record = context.undo[index];
    context.vertexPart[context.hash[record.slot].vertex] = static_cast<int8_t>(record.part);
  }
  GraphNum frontierCount = 0;
  GraphNum part1Change = 0;
  uint8_t* writeParts = graph->parts;
  for (GraphNum slot = 0; slot < context.hashSize; slot++) {
    const GraphNum vertex = context.keys[slot];
    if (vertex == -1) continue;
    const int part = context.vertexPart[vertex];
    const int oldPart = writeParts[vertex];
    if (part != oldPart) {
      writeParts[vertex] = static_cast<uint8_t>(part);
      part1Change += (part == 1) - (oldPart == 1);
    }
    if (part == 2) graph->frontier[frontierCount++] = vertex;
  }
  graph->partLoad[2] = bestSeparatorLoad;
  graph->loadDelta = bestDelta;
  graph->partLoad[0] = (core.vertexLoadSum - bestSeparatorLoad + bestDelta) / 2;
  graph->partLoad[1] = (core.vertexLoadSum - bestSeparatorLoad - bestDelta) / 2;
  graph->frontierCount = frontierCount;
  graph->partSize[1] += part1Change;
  graph->partSize[0] = core.vertexCount - graph->partSize[1] - frontierCount;

  memFree(vertexBlock);
  memFree(context.block);
  gainTableExit(context.table);
  return 0;
}
