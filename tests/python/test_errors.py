"""Bad arguments raise TypeError or ValueError, library failures raise
plyxen.Error with the library's messages, and neither costs memory."""

import gc
import tracemalloc

import numpy as np
import pytest
import scipy.sparse as sp

import plyxen

PATH3 = (np.array([0, 1, 3, 4], np.int32), np.array([1, 0, 2, 1], np.int32))


@pytest.mark.parametrize("graph, error", [
    (sp.random(4, 5, density=0.5, format="csr"), ValueError),                     # not square
    (np.eye(3), TypeError),                                                        # dense
    ([[0, 1], [1, 0]], TypeError),                                                 # a list
    ((np.array([0, 1, 2], np.int32),), TypeError),                                 # one array
    ((np.array([0, 1, 2], np.float64), np.array([1, 0], np.int32)), TypeError),    # float dtype
    ((np.array([0, 1, 2], np.int32), np.array([True, False])), TypeError),         # bool dtype
    ((np.array([[0, 1, 2]], np.int32), np.array([1, 0], np.int32)), ValueError),   # 2-D
    ((np.arange(6, dtype=np.int32)[::2], np.array([1, 0], np.int32)), ValueError), # strided
    ((np.array([0, 1, 2], np.int32), np.array([1, -1], np.int32)), ValueError),    # negative
    ((np.array([0, 1, 2], np.int32), np.array([1, 2], np.int32)), ValueError),     # out of range
    ((np.array([0, 1, 2], np.int64), np.array([1, 2**40], np.int64)), ValueError), # beyond int32
    ((np.array([1, 1, 2], np.int32), np.array([1, 0], np.int32)), ValueError),     # indptr from 1
    ((np.array([0, 2, 1], np.int32), np.array([1, 0], np.int32)), ValueError),     # indptr decreasing
    ((np.array([0, 1, 3], np.int32), np.array([1, 0], np.int32)), ValueError),     # indptr too long
    ((np.array([], np.int32), np.array([], np.int32)), ValueError),                # no indptr
])
def test_bad_graphs_raise(graph, error):
    with pytest.raises(error):
        plyxen.order(graph)
    with pytest.raises(error):
        plyxen.stats(graph, [0, 1])


def test_bad_strategies_and_permutations_raise():
    with pytest.raises(TypeError):
        plyxen.order(PATH3, strategy=5)
    with pytest.raises(ValueError):
        plyxen.order(PATH3, strategy="n\0f")
    for perm, error in [([0, 1], ValueError), ([0, 1, 1], ValueError), ([0, 1, 3], ValueError),
                        ([0.0, 1.0, 2.0], TypeError), (np.array([[0, 1, 2]]), ValueError), ("012", TypeError)]:
        with pytest.raises(error):
            plyxen.stats(PATH3, perm)


def test_the_private_module_checks_its_arrays_too():
    from plyxen import _plyxen
    indptr, indices = PATH3
    with pytest.raises(TypeError):
        _plyxen.order(indptr.astype(np.int64), indices, "")
    with pytest.raises(ValueError):
        _plyxen.order(indptr, np.array([1, 0, 5, 1], np.int32), "")
    with pytest.raises(ValueError):
        _plyxen.symmetric_pattern(3, np.array([0, 9], np.int32), np.array([1, 1], np.int32))
    with pytest.raises(ValueError):
        _plyxen.stats(indptr, indices, np.array([0, 0, 1], np.int32))


def test_library_failures_carry_the_librarys_messages():
    with pytest.raises(plyxen.Error) as failure:
        plyxen.order(PATH3, strategy="n{sep=h,ole=q\nrest")
    assert failure.value.messages[0] == 'stratParserParse: invalid method name "q", before "\\nrest"'
    assert failure.value.messages[-1] == "PLYXEN_stratGraphOrder: error in ordering strategy"
    assert "\n" not in str(failure.value)
    # Arrays that do not form a graph: an arc without its reverse, a loop.
    one_way = (np.array([0, 1, 1], np.int32), np.array([1], np.int32))
    with pytest.raises(plyxen.Error, match="^graphCheck: "):
        plyxen.order(one_way)
    loop = (np.array([0, 1], np.int32), np.array([0], np.int32))
    with pytest.raises(plyxen.Error, match="^graphCheck: "):
        plyxen.stats(loop, [0])
    assert issubclass(plyxen.Error, Exception)


def resident_bytes():
    with open("/proc/self/statm") as stream:
        return int(stream.read().split()[1]) * 4096


def test_ten_thousand_failures_keep_memory_flat():
    A = sp.random(300, 300, density=0.02, random_state=3, format="csr")
    A = (A + A.T).tolil()
    A.setdiag(0)
    A = A.tocsr()
    A.eliminate_zeros()
    A = (A.indptr, A.indices)
    one_way = (np.array([0, 1, 1], np.int32), np.array([1], np.int32))

    def fail_three_ways():
        for graph, strategy in [(A, "n{sep=m{asc=b{width=3,bnd=q}}}"), (one_way, None), (A, "c{rat=0.7,cpr=")]:
            try:
                plyxen.order(graph, strategy)
            except plyxen.Error:
                pass
            else:
                raise AssertionError("the call should have failed")

    for _ in range(200):
        fail_three_ways()
    gc.collect()
    tracemalloc.start()
    before_python = tracemalloc.get_traced_memory()[0]
    before_resident = resident_bytes()
    for _ in range(3334):
        fail_three_ways()
    gc.collect()
    grown_python = tracemalloc.get_traced_memory()[0] - before_python
    tracemalloc.stop()
    grown_resident = resident_bytes() - before_resident
    # 10,002 failures: a lost block of 64 bytes each would show as 640 kB.
    assert grown_python < 64 * 1024
    assert grown_resident < 2 * 1024 * 1024
