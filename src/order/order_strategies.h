// The library's named ordering strategies beyond the solver interface's
// own: the recommended one (the default of the plyxen tool) and the quality
// one, which spends about twice its time for less fill. Both are nested
// dissection with the interface's compression, leaf and separator
// orderings; what differs is how the separators are found. docs/guide.md
// explains them line by line, with the figures they were chosen by.
#pragma once

// A multilevel separator refined by FM over the whole graph at every
// level, not only in a band around the projected separator: on large
// meshes a band of width 3 cannot move a long separator far enough to win
// the balance back. The quality strategy lets each pass run longer.
#define ORDER_ML_SEPARATOR "m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=f{bal=0.2}}"
#define ORDER_ML_SEPARATOR_LONG "m{type=h,rat=0.7,vert=100,low=h{pass=10},asc=f{bal=0.2,move=1000}}"
// The same with the matching in breadth-first order (type=s), for meshes
// (the recommended strategy's top levels, every level of the quality
// one): on meshes numbered at random it leaves less fill.
#define ORDER_ML_SEPARATOR_MESH "m{type=s,rat=0.7,vert=100,low=h{pass=10},asc=f{bal=0.2,move=1000}}"

// A flat separator, grown on the graph itself and refined by FM without
// coarsening: on regular grids it finds straight separators where
// coarsening leaves ragged ones, and the selection keeps it only when its
// separator is the smallest (or ties with the runs before it).
#define ORDER_FLAT_SEPARATOR "g{pass=2}f{bal=0.2,move=1000}"

// A probe for graphs that do not coarsen, such as networks of hubs and
// leaves: when the coarsening stops above 500 vertices and above a tenth of
// the load, it returns the empty separator with everything in part 0 (z),
// which wins any selection on separator load, so that nested dissection
// makes the whole graph a leaf and orders it by minimum fill. Otherwise it
// returns a cheap unrefined separator that a refined one beats.
#define ORDER_PROBE_SEPARATOR "m{type=h,rat=0.7,vert=100,low=/(vert>500)&(vert*10>load)?z:h{pass=1};,asc=}"

// A separator derived from an edge bipartition: a multilevel
// bipartitioning at 5% balance, the vertex cover of its cut edges, then
// FM on the whole graph. On large unstructured meshes its separators are
// smaller and vary less between tries than the multilevel vertex ones.
// bal: the balance of the edge bipartition.
#define ORDER_EDGE_SEPARATOR_AT(bal)                                                                       \
  "e{strat=m{vert=100,rat=0.7,low=(h{pass=5}f{bal=" bal ",move=80}),asc=b{width=3,bnd=f{bal=" bal ",move=80},org=" \
  "f{bal=" bal ",move=80}}}}f{bal=0.2,move=1000}"
#define ORDER_EDGE_SEPARATOR ORDER_EDGE_SEPARATOR_AT("0.05")

// The same with the edge bipartition kept within 10 % of balance instead
// of 5 %, for graphs of average degree below 8 (edge counts arcs):
// two-dimensional meshes and 7-point grids, whose degree is 4 to 6, as
// against 12 to 25 for tetrahedral meshes and 27-point grids. On a plane
// mesh a cut that gives up some balance can be much shorter; on the 3D
// meshes the looser balance cost up to 2 % more fill (tet3d 60^3, two
// draws), so they keep the 5 %.
#define ORDER_EDGE_SEPARATOR_LOOSE ORDER_EDGE_SEPARATOR_AT("0.1")
#define ORDER_EDGE_SEPARATOR_BY_DEGREE "/(edge<8*vert)?" ORDER_EDGE_SEPARATOR_LOOSE ":" ORDER_EDGE_SEPARATOR ";"

// Separator selection by graph size: more tries where a separator costs most
// fill. Meshes get three multilevel, the flat and three edge-derived tries
// above 20,000 vertices, the multilevel ones with the breadth-first matching
// order (over three random draws of eight meshes in their own numbering and the
// same eight numbered at random, geometric mean of the operation count 0.906 to
// 0.899 of the references, worst 1.023 to 1.016; over two draws random
// geometric graphs of 500,000 and a million vertices went from 1.071 and 1.019
// to 0.962 and 0.912, for a sixth more time; in the tiers below 20,000 the same
// order gained little, and one or two of the three top tries alone neither).
// The three and three replaced two and two (over three random draws of twelve
// meshes the geometric mean of the operation count went from 0.918 to 0.904 of
// the references, and the random geometric graph of 200,000 vertices from 1.077
// to 1.005, for a fifth to a quarter more time); graphs with hubs get four
// multilevel ones there, since the edge bipartitioning hardly coarsens them and
// costs time for nothing. On meshes the multilevel tries refine with the longer
// FM passes: over three random draws they left less fill (geometric mean 1 %
// lower on twelve meshes), and the time they cost is won back elsewhere. The
// edge-derived tries come after the flat one because a full tie keeps the later
// result: on triangulated grids the flat one often finds the diagonal, as small
// and as balanced as theirs, but it leaves two triangles that cost more fill.
#define ORDER_MESH_TOP                                                                                \
  ORDER_ML_SEPARATOR_MESH "|" ORDER_ML_SEPARATOR_MESH "|" ORDER_ML_SEPARATOR_MESH "|" ORDER_FLAT_SEPARATOR "|" \
  ORDER_EDGE_SEPARATOR_BY_DEGREE "|" ORDER_EDGE_SEPARATOR_BY_DEGREE "|" ORDER_EDGE_SEPARATOR_BY_DEGREE
#define ORDER_NETWORK_TOP                                                                                   \
  ORDER_ML_SEPARATOR "|" ORDER_ML_SEPARATOR "|" ORDER_ML_SEPARATOR "|" ORDER_ML_SEPARATOR "|" ORDER_FLAT_SEPARATOR
// Below 20,000 vertices: the mid tries above the given number of vertices,
// the low ones below; 2,000 in general, 1,000 on meshes.
#define ORDER_TIERS_ABOVE(bound, mid, low) "/(vert>" bound ")?(" mid "):(" low ");"
#define ORDER_TIERS_BELOW_20000(mid, low) ORDER_TIERS_ABOVE("2000", mid, low)
#define ORDER_MESH_TIERS_BELOW_20000(mid, low) ORDER_TIERS_ABOVE("1000", mid, low)
// In the mid tier meshes get the flat try only at the two top levels
// (measured with three multilevel tries before it, and the mid tier from
// 2,000 vertices on). There (a graph of less than 40,000 vertices) it finds
// the straight separators of the regular grids; deeper down, when it wins on
// separator size, it often leaves parts that cost more fill below. Over
// three random draws of twelve meshes the geometric mean of the operation
// count stayed at 0.900 of the references and the worst mesh went from 1.009
// to 0.997 (plate2d); over two draws of ten meshes of 250,000 to a million
// vertices the mean stayed at 0.872 and the worst went from 1.003 to 1.001
// (tri2d 1000^2); over eight draws of nineteen meshes of 14,400 to 62,500
// vertices generated for this choice, 0.948 either way. Without the flat try
// at the top levels too, those nineteen went to 0.957, the 5-point grid
// 120^2 from 0.852 to 1.011 of the references. Graphs with hubs keep the
// flat try at every level.
#define ORDER_MID(ml) ml "|" ml "|" ml
#define ORDER_MID_FLAT(ml) ORDER_MID(ml) "|" ORDER_FLAT_SEPARATOR
// In the recommended strategy meshes get two multilevel and two
// edge-derived tries there instead of three multilevel ones, the flat one
// between them where it runs, and these mid tries from 1,000 vertices on
// instead of 2,000. Over six random draws of eleven two-dimensional meshes
// the geometric mean of the operation count went from 0.981 to 0.977 of
// the references with the new tries, to 0.974 with the lower bound too,
// and none stayed above them on average (mesh2d 350^2 1.001, 0.999,
// 0.996); over three draws of the twelve meshes of the guide's first table
// from 0.900 to 0.895 and 0.891, and of eleven more meshes and grids of
// 14,400 to 400,000 vertices from 0.926 to 0.920 and 0.917, for up to a
// tenth and a fifth more processor time. Three multilevel tries and one
// edge-derived one gave 0.977 on the eleven two-dimensional meshes for
// more time, one and two 0.979; an edge-derived try in the low tier too,
// 0.973, but a quarter more processor time on the 3D meshes.
// On graphs of average degree below 8 every edge-derived try of the
// meshes, at the top as here, has the looser balance, and the mid tier
// has three of them: over six draws of the eleven two-dimensional meshes
// the geometric mean went from 0.974 to 0.967, over six draws of
// seventeen more generated for this choice (meshes, triangulated and
// 5-point grids, Delaunay and random geometric graphs of 10^4 to 8 x 10^5
// vertices) from 0.941 to 0.933, over three draws of fourteen more from
// the guide's tables and earlier checks from 0.905 to 0.906, and over
// three draws of five 7-point grids from 0.550 to 0.548, for 6 % more
// time on large 2D meshes (2 to 13 %). The meshes close to the
// references gained most: of those 39 meshes, 10 were above 0.985 on the
// default draw and 3 above 1, now 6 and 1. The tetrahedral meshes are
// unchanged.
#define ORDER_MESH_MID_WITH(flat, edges) ORDER_ML_SEPARATOR_LONG "|" ORDER_ML_SEPARATOR_LONG flat edges
#define ORDER_MESH_MID_LOOSE_EDGES \
  "|" ORDER_EDGE_SEPARATOR_LOOSE "|" ORDER_EDGE_SEPARATOR_LOOSE "|" ORDER_EDGE_SEPARATOR_LOOSE
#define ORDER_MESH_MID(flat)                                                                                 \
  "/(edge<8*vert)?(" ORDER_MESH_MID_WITH(flat, ORDER_MESH_MID_LOOSE_EDGES) "):(" ORDER_MESH_MID_WITH( \
      flat, "|" ORDER_EDGE_SEPARATOR "|" ORDER_EDGE_SEPARATOR) ");"
#define ORDER_LOW(ml) ml "|" ORDER_FLAT_SEPARATOR
// The quality strategy's tiers: more tries, the multilevel ones all with the
// longer FM passes, in breadth-first matching order on meshes (over three
// random draws of the eight meshes and their copies numbered at random,
// geometric mean 0.885 to 0.880 of the references, for a fifth more time).
// Meshes get six multilevel, the flat and four edge-derived tries above
// 20,000 vertices, and two edge-derived tries among those above 2,000
// (now eight, above 1,000, see below) as well (over three random draws of
// twelve meshes the geometric mean of the operation count went from 0.898
// to 0.888 of the references against six, one and two above 20,000 and
// none below, and the worst mesh from 1.002 to 0.999); graphs with hubs
// get eight multilevel tries and the flat one above 20,000 vertices, and
// no edge-derived ones. In the mid tier meshes get the flat try at the two
// top levels only, as in the recommended strategy (over six draws of the
// nineteen meshes, 0.917 against 0.917 with it at every level and 0.921
// without it; over three draws of the twelve larger meshes 0.884 either
// way, and plate2d 0.993 against 1.001).
#define ORDER_ML_5(ml) ml "|" ml "|" ml "|" ml "|" ml
#define ORDER_EDGE_4_BY_DEGREE                                                                  \
  ORDER_EDGE_SEPARATOR_BY_DEGREE "|" ORDER_EDGE_SEPARATOR_BY_DEGREE "|" ORDER_EDGE_SEPARATOR_BY_DEGREE "|" \
  ORDER_EDGE_SEPARATOR_BY_DEGREE
#define ORDER_QUALITY_MESH_TOP \
  ORDER_ML_5(ORDER_ML_SEPARATOR_MESH) "|" ORDER_ML_SEPARATOR_MESH "|" ORDER_FLAT_SEPARATOR "|" ORDER_EDGE_4_BY_DEGREE
#define ORDER_QUALITY_NETWORK_TOP                                                                         \
  ORDER_ML_5(ORDER_ML_SEPARATOR_LONG) "|" ORDER_ML_SEPARATOR_LONG "|" ORDER_ML_SEPARATOR_LONG "|" \
  ORDER_ML_SEPARATOR_LONG "|" ORDER_FLAT_SEPARATOR
// Five multilevel tries, the flat one when given, and eight edge-derived ones.
#define ORDER_QUALITY_MESH_MID(flat) \
  ORDER_ML_5(ORDER_ML_SEPARATOR_MESH) flat "|" ORDER_EDGE_4_BY_DEGREE "|" ORDER_EDGE_4_BY_DEGREE
#define ORDER_QUALITY_LOW(ml) ml "|" ml "|" ORDER_FLAT_SEPARATOR
// On meshes the quality strategy's mid tier starts at 1,000 vertices, as
// the recommended one's, and its low tier has an edge-derived try after
// the flat one. Over three random draws of the eleven two-dimensional
// meshes the geometric mean of the operation count went from 0.966 to 0.963
// of the references, over two draws of the twelve meshes of the guide's
// first table from 0.880 to 0.876, and of the eleven other meshes and
// grids from 0.910 to 0.907, for a fifth to a third more processor time.
// Each change alone gave a half to two thirds of that. Six edge-derived
// tries instead of four at the top, on top of both, gave 0.963, 0.874 and
// 0.908 for a fifth to a third more again. Then five edge-derived tries
// instead of two in the mid tier, and the looser edge balance in every
// edge-derived try on graphs of average degree below 8: over the same
// draws 0.955, 0.869 and 0.903, for up to a tenth more processor time
// (the more tries alone 0.960, 0.874 and 0.907; the looser balance alone
// 0.959, 0.872 and 0.908). Eight edge-derived tries there instead of
// five: 0.952, 0.866 and 0.902, for up to a tenth more time; eight at the
// top as well gave 0.949 and 0.867 on the first two, for a tenth more again.
#define ORDER_QUALITY_MESH_LOW(ml) ORDER_QUALITY_LOW(ml) "|" ORDER_EDGE_SEPARATOR_BY_DEGREE
#define ORDER_QUALITY_NETWORK_BELOW_20000                                                     \
  ORDER_TIERS_BELOW_20000(ORDER_ML_5(ORDER_ML_SEPARATOR_LONG) "|" ORDER_FLAT_SEPARATOR, \
                          ORDER_QUALITY_LOW(ORDER_ML_SEPARATOR_LONG))

// Dissection down to leaves of 250 vertices, with the top tries above
// 20,000 vertices and the given ones below (belowTop at the two top
// levels, below deeper down); the probe runs at the two top levels only,
// where a graph of hubs shows itself, as one more alternative of the same
// selection, so that all of them can run at once.
#define ORDER_SEPARATION(top, belowTop, below)                                                        \
  "/(vert>250)?/(vert>20000)?/(levl<2)?(" ORDER_PROBE_SEPARATOR "|" top "):(" top ");:/(levl<2)?(" \
  ORDER_PROBE_SEPARATOR "|" belowTop "):" below ";;;"
// The same tries below 20,000 vertices at every level.
#define ORDER_SEPARATION_UNIFORM(top, below) ORDER_SEPARATION(top, below, below)

// Leaves by minimum fill, as in the interface's strategy.
#define ORDER_LEAVES_FILL(cmin) "f{cmin=" cmin ",cmax=100000,frat=0.0}"
// The same, except for a leaf of more than 300,000 vertices, which only the
// probe leaves (a graph of hubs ordered whole): minimum degree there. On
// power-law graphs of 300,000, 600,000 and a million vertices minimum fill
// took 2, 2.7 and 3.4 times as long for 2 to 2.4 % less fill, the time of
// the interface's dissection being passed at 600,000 already.
#define ORDER_LEAVES_SIZED(cmin) "/(vert>300000)?d{cmin=" cmin ",cmax=100000,frat=0.0}:" ORDER_LEAVES_FILL(cmin) ";"

// Each connected component compressed when that pays, then dissected, with
// the interface's separator ordering and the given leaf ordering. cmp=f:
// the selections among separators prefer the least estimated fill, which
// counts the halo that each part inherits, before the smallest separator.
// thrd=16: the alternatives of each selection and the two parts of each
// dissection draw from random sequences of their own and run on up to 16
// threads, as many as the machine has; the ordering is the same on any
// machine. shapes: more parameters of the dissection, for the parts'
// shapes.
#define ORDER_DISSECTION(separation, leaves, shapes)                                                          \
  "o{strat=c{rat=0.7,cpr=n{sep=" separation ",ole=" leaves("0") ",ose=g,cmp=f" shapes ",thrd=16},unc=n{sep=" \
  separation ",ole=" leaves("15") ",ose=g,cmp=f" shapes ",thrd=16}}}"

// The largest degree of the whole graph tells meshes (at most 32 on every
// mesh we measured) from graphs with hubs (hundreds and more). On meshes,
// shp=1: at the top level, separations whose estimated fills lie within 3 %
// of each other go by the shapes of their parts when one's are clearly
// longer for their load (and so cheaper to cut in turn). The estimate sees
// a tie, or a slight edge for a vertex or two less, between a straight and a
// diagonal cut of a triangulated grid, whose two triangles cost 1.4 times
// more to cut than the straight cut's two strips; on a 5-point grid it is
// the other way round. Deeper levels gained little for the time: the
// breadth-first sweeps that measure the parts cost as much as a few
// separator tries. Graphs with hubs do without: their parts are no plane
// regions. Also on meshes, whl=0.5: when the top separator is below half
// the square root of the graph's load (strips and rods, whose separators
// all cut across them, but also the sparser random geometric graphs;
// square meshes are at about 1, rgg 200k of degree 10 at 0.59), the graph
// is ordered whole by minimum fill as well and the ordering with the
// smaller exact operation count is kept. On a strip minimum fill sweeps
// along with a front of one cross-section where every separator of a
// dissection sits in a front with the two next to it: on a 5-point grid
// of 100 x 10,000 it leaves 0.57 times the dissection's operation count, on
// tri2d 2000 x 300 0.95 times, on the random geometric graph of 800,000
// vertices of degree 6 0.84 times. Where the dissection wins the check
// costs a sixth more time (rgg 300k of degree 8). The leaves of meshes
// are all ordered by minimum fill, so that a strip ordered whole is too:
// minimum degree above 300,000 vertices is for graphs of hubs, where
// minimum fill is slow. On meshes of average degree below 8 (edge counts
// arcs: two-dimensional meshes and 7-point grids), lka=1: at the top level
// the separations of nearly the least estimated fill (at most four) have
// their parts cut in turn by two edge-derived tries each, and the one
// whose estimate with those separators is least is kept. On meshes whose
// cells are cut along random diagonals one of several separations of the
// same size can leave parts whose separators are a sixth longer, which the
// estimate, guessing them from the parts' loads, cannot see: over two
// random draws mesh2d 450^2 went from 0.997 to 0.945 of the references,
// mesh2d 850^2 from 1.001 to 0.973. Elsewhere it wins or loses a few per
// cent by turns (delaunay 400k 0.937 to 0.978, tri2d 400^2 0.977 to 0.944
// on the default draw), and on regular grids, whose straight cuts the
// shapes already find, it loses (the 5-point grid 800^2 0.706 to 0.804).
// On tetrahedral meshes it won and lost by turns (s_tet3d_28 0.979 to
// 0.932, but tet3d 45^3 0.957 to 1.003, and 0.886 to 0.954 on tet3d 85^3
// in the quality strategy), so they do without. The look-ahead
// draws from random sequences of its own: where it keeps the selection's
// choice, the ordering is the same as without it.
#define ORDER_MESH_LOOK_AHEAD \
  ",lka=1,lks=(" ORDER_EDGE_SEPARATOR_BY_DEGREE "|" ORDER_EDGE_SEPARATOR_BY_DEGREE ")"
#define ORDER_MESH_DISSECTION(separation, extras) \
  ORDER_DISSECTION(separation, ORDER_LEAVES_FILL, ",shp=1,whl=0.5" extras)
#define ORDER_BY_GRAPH_KIND(meshSeparation, networkSeparation, networkLeaves)                          \
  "/(mdeg<64)?/(edge<8*vert)?" ORDER_MESH_DISSECTION(meshSeparation, ORDER_MESH_LOOK_AHEAD) ":"        \
      ORDER_MESH_DISSECTION(meshSeparation, "") ";:" ORDER_DISSECTION(networkSeparation, networkLeaves, "") ";"

inline constexpr const char ORDER_RECOMMENDED_STRATEGY[] = ORDER_BY_GRAPH_KIND(
    ORDER_SEPARATION(ORDER_MESH_TOP,
                     ORDER_MESH_TIERS_BELOW_20000(ORDER_MESH_MID("|" ORDER_FLAT_SEPARATOR),
                                                  ORDER_LOW(ORDER_ML_SEPARATOR_LONG)),
                     ORDER_MESH_TIERS_BELOW_20000(ORDER_MESH_MID(""), ORDER_LOW(ORDER_ML_SEPARATOR_LONG))),
    ORDER_SEPARATION_UNIFORM(ORDER_NETWORK_TOP, ORDER_TIERS_BELOW_20000(ORDER_MID_FLAT(ORDER_ML_SEPARATOR),
                                                                        ORDER_LOW(ORDER_ML_SEPARATOR))),
    ORDER_LEAVES_SIZED);
inline constexpr const char ORDER_QUALITY_STRATEGY[] = ORDER_BY_GRAPH_KIND(
    ORDER_SEPARATION(ORDER_QUALITY_MESH_TOP,
                     ORDER_MESH_TIERS_BELOW_20000(ORDER_QUALITY_MESH_MID("|" ORDER_FLAT_SEPARATOR),
                                                  ORDER_QUALITY_MESH_LOW(ORDER_ML_SEPARATOR_MESH)),
                     ORDER_MESH_TIERS_BELOW_20000(ORDER_QUALITY_MESH_MID(""),
                                                  ORDER_QUALITY_MESH_LOW(ORDER_ML_SEPARATOR_MESH))),
    ORDER_SEPARATION_UNIFORM(ORDER_QUALITY_NETWORK_TOP, ORDER_QUALITY_NETWORK_BELOW_20000), ORDER_LEAVES_FILL);
