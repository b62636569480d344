"""plyxen.read_graph and plyxen.write_graph: the three file formats, their
loads, the tool reading what the package writes, and damaged files that
raise plyxen.Error instead of harming the interpreter."""

import random

import numpy as np
import pytest
import scipy.sparse as sp

import plyxen
from conftest import canonical_arrays, parse_graph_file, shared_graph, tool_ordering


def sample_matrix(n=120, seed=11):
    A = sp.random(n, n, density=0.04, random_state=seed, format="csr")
    A.data += 1.0
    return A


@pytest.mark.parametrize("extension", [".grf", ".graph", ".metis", ".mtx"])
def test_a_written_graph_reads_back(extension, tmp_path):
    A = sample_matrix()
    path = tmp_path / ("graph" + extension)
    plyxen.write_graph(path, A)
    graph = plyxen.read_graph(path)
    indptr, indices = canonical_arrays(A)
    assert isinstance(graph.matrix, sp.csr_matrix) and graph.matrix.shape == A.shape
    assert np.array_equal(graph.matrix.indptr, indptr) and np.array_equal(graph.matrix.indices, indices)
    assert graph.vertex_loads is None and graph.edge_loads is None
    assert np.all(graph.matrix.data == 1.0)


@pytest.mark.parametrize("format", ["grf", "metis"])
def test_loads_travel_with_the_graph(format, tmp_path):
    indptr, indices = canonical_arrays(sample_matrix(80, 12))
    n = indptr.size - 1
    vertex_loads = np.arange(1, n + 1, dtype=np.int32)
    rows = np.repeat(np.arange(n), np.diff(indptr))
    edge_loads = (np.minimum(rows, indices) * 7 + np.maximum(rows, indices)) % 13 + 1  # same for both arcs
    path = tmp_path / "loaded.txt"
    plyxen.write_graph(path, (indptr, indices), format=format, vertex_loads=vertex_loads, edge_loads=edge_loads)
    graph = plyxen.read_graph(path, format=format)
    assert np.array_equal(graph.vertex_loads, vertex_loads)
    assert np.array_equal(graph.edge_loads, edge_loads)
    assert np.array_equal(graph.matrix.indices, indices)
    # Loads that differ between the two arcs of an edge are refused by the library.
    uneven = edge_loads.copy()
    uneven[0] += 1
    with pytest.raises(plyxen.Error, match="graphCheck"):
        plyxen.write_graph(path, (indptr, indices), format=format, edge_loads=uneven)


def test_the_tool_orders_a_written_file_as_the_package_orders_the_matrix(tmp_path):
    A = sample_matrix(900, 13)
    path = tmp_path / "written.grf"
    plyxen.write_graph(path, A)
    positions, figures = tool_ordering(path, tmp_path)
    ordering = plyxen.order(A)
    assert np.array_equal(ordering.iperm, positions)
    assert plyxen.stats(A, ordering.perm).nnzL == int(figures["nnzL"])


def test_a_shared_graph_reads_in_its_own_arc_order():
    path = shared_graph("delaunay_n15")  # neighbour lists not sorted in the file
    graph = plyxen.read_graph(path)
    indptr, indices = parse_graph_file(path)
    assert np.array_equal(graph.matrix.indptr, indptr)
    assert np.array_equal(graph.matrix.indices, indices)
    assert not graph.matrix.has_sorted_indices


def test_unreadable_paths_and_formats(tmp_path):
    with pytest.raises(plyxen.Error, match="cannot open file"):
        plyxen.read_graph(tmp_path / "absent.grf")
    with pytest.raises(plyxen.Error, match="is a folder"):
        plyxen.read_graph(tmp_path, format="grf")
    with pytest.raises(plyxen.Error, match="cannot open file"):
        plyxen.write_graph(tmp_path / "no" / "such" / "folder.grf", sample_matrix())
    with pytest.raises(ValueError):
        plyxen.read_graph(tmp_path / "graph.txt")
    with pytest.raises(ValueError):
        plyxen.read_graph(tmp_path / "graph.grf", format="xyz")
    with pytest.raises(TypeError):
        plyxen.read_graph(42)
    with pytest.raises(ValueError):
        plyxen.read_graph("a\0b.grf")
    with pytest.raises(ValueError):
        plyxen.write_graph(tmp_path / "loads.grf", sample_matrix(), edge_loads=[1])
    strange = tmp_path / "two\nlines.grf"
    with pytest.raises(plyxen.Error) as failure:
        plyxen.read_graph(strange)
    assert "two\\nlines.grf" in str(failure.value) and "\n" not in str(failure.value)


def damaged(text, rng):
    """The text with a few bytes changed, cut, inserted or a number replaced."""
    data = bytearray(text)
    for _ in range(rng.randint(1, 3)):
        choice = rng.randrange(5)
        if choice == 0 and data:
            data[rng.randrange(len(data))] = rng.randrange(256)
        elif choice == 1:
            del data[rng.randrange(len(data) + 1):]
        elif choice == 2:
            at = rng.randrange(len(data) + 1)
            data[at:at] = bytes(rng.choice(b"0123456789 \n-+%.e") for _ in range(rng.randint(1, 6)))
        else:
            digits = [i for i, byte in enumerate(data) if chr(byte).isdigit()]
            if digits:
                at = rng.choice(digits)
                data[at:at + 1] = rng.choice([b"2147483647", b"-1", b"4294967296", b"0", b"99999999999"])
    return bytes(data)


@pytest.mark.parametrize("extension", [".grf", ".graph", ".mtx"])
def test_damaged_files_raise_or_read_as_proper_graphs(extension, tmp_path):
    A = sample_matrix(12, 14)
    original = tmp_path / ("original" + extension)
    plyxen.write_graph(original, A)
    text = original.read_bytes()
    rng = random.Random(15)
    path = tmp_path / ("damaged" + extension)
    outcomes = {"error": 0, "graph": 0}
    for _ in range(400):
        path.write_bytes(damaged(text, rng))
        try:
            graph = plyxen.read_graph(path)
        except plyxen.Error as failure:
            assert failure.messages and all("\n" not in message for message in failure.messages)
            outcomes["error"] += 1
            continue
        # What reads is a proper graph: symmetric, no loops, orderable.
        matrix = graph.matrix
        assert (matrix != matrix.T).nnz == 0 and matrix.diagonal().sum() == 0
        ordering = plyxen.order((matrix.indptr, matrix.indices))
        assert np.array_equal(np.sort(ordering.perm), np.arange(matrix.shape[0]))
        outcomes["graph"] += 1
    assert outcomes["error"] > 100
