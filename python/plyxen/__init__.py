"""Fill-reducing orderings of sparse symmetric matrices.

A graph is given either as a SciPy sparse matrix or array of any format
(csr, csc, coo, bsr, dia, lil, dok), whose graph is the pattern of
A + A^T without the diagonal (the stored entries whose value is not zero,
so that every format of one matrix gives one graph), or as a pair of 0-based CSR arrays ``(indptr, indices)`` that
already form a graph: each edge in both of its ends' lists, no loops, no
repeated neighbours. A matrix's graph lists each vertex's neighbours in
increasing order; the arrays are taken in their own order, as a graph file
is.

Orderings follow this convention: ``perm[k]`` is the vertex placed at
position k, so that ``A[perm][:, perm]`` is the reordered matrix, and
``iperm[v]`` is the position of vertex v, the number that the ordering
file of ``plyxen order`` gives for v.

Failures of the library raise ``plyxen.Error``, whose ``messages`` lists
the library's messages, innermost first; bad arguments raise ``TypeError``
or ``ValueError`` before the library is called.
"""

import collections
import os
import re

import numpy as np

from . import _plyxen
from ._plyxen import DEFAULT_STRATEGY, INTERFACE_STRATEGY, QUALITY_STRATEGY, RECOMMENDED_STRATEGY, Error

__all__ = ["order", "stats", "read_graph", "write_graph", "Error", "Ordering", "Stats", "GraphData",
           "DEFAULT_STRATEGY", "INTERFACE_STRATEGY", "QUALITY_STRATEGY", "RECOMMENDED_STRATEGY"]

Ordering = collections.namedtuple("Ordering", ["perm", "iperm", "blocks"])
Ordering.__doc__ = """An ordering: perm[k] is the vertex at position k, iperm[v] the position of
vertex v, and column block j covers positions blocks[j] to blocks[j+1]-1."""

Stats = collections.namedtuple("Stats", ["nnzL", "opc", "height"])
Stats.__doc__ = """Exact figures of the Cholesky factor under an ordering: nnzL, its
off-diagonal nonzeros; opc, the sum over the columns of the squared
off-diagonal column counts; height, the height of the elimination tree."""

GraphData = collections.namedtuple("GraphData", ["matrix", "vertex_loads", "edge_loads"])
GraphData.__doc__ = """A graph read from a file: matrix, a SciPy CSR pattern matrix (float64
ones, neighbours in the file's order); vertex_loads, one int32 per vertex,
or None; edge_loads, one int32 per stored entry of matrix (aligned with
matrix.indices), or None."""

_INT32_MAX = np.iinfo(np.int32).max


def _index_array(values, name):
    """A one-dimensional contiguous integer array as int32, or TypeError/ValueError."""
    if isinstance(values, np.ndarray):
        array = values
    elif isinstance(values, (list, tuple, range)):
        array = np.asarray(values)
        if array.size == 0:
            array = array.astype(np.int32)
    else:
        raise TypeError(f"{name} must be a NumPy array, not {type(values).__name__}")
    if array.dtype.kind not in "iu":
        raise TypeError(f"{name} must hold integers, not {array.dtype}")
    if array.ndim != 1:
        raise ValueError(f"{name} must be one-dimensional, not {array.ndim}-dimensional")
    if not array.flags.c_contiguous:
        raise ValueError(f"{name} must be contiguous")
    if array.size and (array.min() < 0 or array.max() > _INT32_MAX):
        raise ValueError(f"{name} must hold values in [0, 2**31 - 1]")
    return np.ascontiguousarray(array, dtype=np.int32)


def _is_sparse(value):
    try:
        import scipy.sparse
    except ImportError:
        return False
    return scipy.sparse.issparse(value)


def _graph_arrays(graph):
    """The CSR arrays (indptr, indices) of the graph of a matrix or of a pair of arrays."""
    if _is_sparse(graph):
        rows, columns = graph.shape
        if rows != columns:
            raise ValueError(f"the matrix must be square, not {rows} x {columns}")
        if rows > _INT32_MAX:
            raise ValueError("the matrix has more than 2**31 - 1 rows")
        coordinates = graph.tocoo()
        row, col = coordinates.row, coordinates.col
        nonzero = coordinates.data != 0
        if not np.all(nonzero):
            row, col = row[nonzero], col[nonzero]
        return _plyxen.symmetric_pattern(rows, _index_array(row, "row"), _index_array(col, "col"))
    if isinstance(graph, tuple) and len(graph) == 2:
        indptr = _index_array(graph[0], "indptr")
        indices = _index_array(graph[1], "indices")
        if indptr.size == 0:
            raise ValueError("indptr must hold at least one entry")
        n = indptr.size - 1
        if indptr[0] != 0 or np.any(indptr[1:] < indptr[:-1]):
            raise ValueError("indptr must start with 0 and never decrease")
        if indptr[-1] > indices.size:
            raise ValueError(f"indptr ends at {indptr[-1]} but indices holds {indices.size} entries")
        used = indices[:indptr[-1]]
        if used.size and used.max() >= n:
            raise ValueError(f"indices must be less than the vertex count {n}")
        return indptr, np.ascontiguousarray(used)
    raise TypeError("expected a SciPy sparse matrix or a pair (indptr, indices), "
                    f"not {type(graph).__name__}")


def order(A, strategy=None, threads=None):
    """Orders the graph of A (a SciPy sparse matrix, or (indptr, indices)).

    strategy is an ordering strategy text; None takes DEFAULT_STRATEGY,
    the recommended strategy that the command-line tool uses by default
    (INTERFACE_STRATEGY is that of ELIMORDF, QUALITY_STRATEGY spends more
    time for less fill). The recommended and quality strategies run on up
    to 16 threads, the machine's cores at most; threads (1 to 4096) caps
    them, as ``plyxen order --threads`` does: every thrd=K of the text with
    K from 1 on becomes thrd=threads, which changes the time and not the
    ordering. Returns an Ordering (perm, iperm, blocks) of int32 arrays.
    The interpreter lock is released while the library works, so several
    threads may order at once.
    """
    if strategy is None:
        strategy = DEFAULT_STRATEGY
    elif not isinstance(strategy, str):
        raise TypeError(f"strategy must be a string, not {type(strategy).__name__}")
    if threads is not None:
        if isinstance(threads, bool) or not isinstance(threads, (int, np.integer)):
            raise TypeError(f"threads must be an integer, not {type(threads).__name__}")
        if not 1 <= threads <= 4096:
            raise ValueError(f"threads must be from 1 to 4096, not {threads}")
        strategy = re.sub(r"thrd=(\d+)", lambda m: f"thrd={threads}" if int(m.group(1)) >= 1 else m.group(0),
                          strategy)
    indptr, indices = _graph_arrays(A)
    return Ordering(*_plyxen.order(indptr, indices, strategy))


def stats(A, perm):
    """Exact figures (nnzL, opc, height) of the factor of A's graph under perm.

    perm follows the convention of order: perm[k] is the vertex at
    position k. The figures are those of ``plyxen stats``.
    """
    indptr, indices = _graph_arrays(A)
    perm = _index_array(perm, "perm")
    n = indptr.size - 1
    if perm.size != n:
        raise ValueError(f"perm holds {perm.size} entries for {n} vertices")
    if n and not np.array_equal(np.sort(perm), np.arange(n, dtype=np.int32)):
        raise ValueError("perm must be a permutation of 0 .. n-1")
    return Stats(*_plyxen.stats(indptr, indices, perm))


_FORMATS = {"grf": 0, "metis": 1, "mtx": 2}
_EXTENSIONS = {".grf": "grf", ".graph": "metis", ".metis": "metis", ".mtx": "mtx"}


def _file_format(path, format):
    """The format code of a file: named ("grf", "metis" or "mtx"), or told by the file name's extension."""
    if format is None:
        extension = os.path.splitext(os.fsdecode(path))[1].lower()
        if extension not in _EXTENSIONS:
            raise ValueError(f"cannot tell the format of {os.fsdecode(path)!r} from its name; "
                             "give format='grf', 'metis' or 'mtx'")
        format = _EXTENSIONS[extension]
    if not isinstance(format, str):
        raise TypeError(f"format must be a string, not {type(format).__name__}")
    if format not in _FORMATS:
        raise ValueError(f"unknown format {format!r} (grf, metis or mtx)")
    return _FORMATS[format]


def _path_bytes(path):
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f"path must be a string or a path, not {type(path).__name__}")
    encoded = os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError("path holds a NUL character")
    return encoded


def read_graph(path, format=None):
    """Reads a graph file: the system's graph format ("grf"), a METIS graph
    file ("metis") or a Matrix Market coordinate file ("mtx", whose graph is
    the pattern of A + A^T without the diagonal). format None tells it by
    the extension (.grf; .graph or .metis; .mtx). Returns a GraphData
    (matrix, vertex_loads, edge_loads); vertex labels are not kept. A file
    that cannot be read or does not describe a graph raises plyxen.Error.
    """
    import scipy.sparse

    code = _file_format(path, format)
    indptr, indices, vertex_loads, edge_loads = _plyxen.read_graph(_path_bytes(path), code)
    n = indptr.size - 1
    matrix = scipy.sparse.csr_matrix((np.ones(indices.size), indices, indptr), shape=(n, n))
    return GraphData(matrix, vertex_loads, edge_loads)


def write_graph(path, A, format=None, vertex_loads=None, edge_loads=None):
    """Writes the graph of A (a SciPy sparse matrix, or (indptr, indices))
    to a file in the given format, or in the format its extension tells;
    vertices are numbered from 1. vertex_loads holds one positive integer
    per vertex; edge_loads, one per arc of (indptr, indices), the same for
    both arcs of an edge, and needs the graph as arrays. Matrix Market
    files keep no loads.
    """
    code = _file_format(path, format)
    encoded = _path_bytes(path)
    indptr, indices = _graph_arrays(A)
    n = indptr.size - 1
    if vertex_loads is not None:
        vertex_loads = _index_array(vertex_loads, "vertex_loads")
        if vertex_loads.size != n:
            raise ValueError(f"vertex_loads holds {vertex_loads.size} entries for {n} vertices")
    if edge_loads is not None:
        if _is_sparse(A):
            raise ValueError("edge_loads need the graph as (indptr, indices) arrays, whose arcs they follow")
        edge_loads = _index_array(edge_loads, "edge_loads")
        if edge_loads.size != indices.size:
            raise ValueError(f"edge_loads holds {edge_loads.size} entries for {indices.size} arcs")
    _plyxen.write_graph(encoded, code, indptr, indices, vertex_loads, edge_loads)
