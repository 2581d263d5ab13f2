"""Engines run without the GIL: two Python threads fit at once. The times are measured and
reported, not asserted: the speed-up depends on what else the machine runs, and the process's
CPU time over the wall time shows how much of the two fits ran at the same moment (above 1 only
when both threads compute at once, which the GIL would not allow)."""
import os
import threading
import time

import vordex
from conftest import MEASURED, same_bits


def _fit(y):
    return vordex.ets(y, horizon=12, paths=20000, seed=5)


def test_two_threads_fit_at_once_and_get_the_numbers_of_one(airline):
    expected = _fit(airline)
    best_sequential = best_concurrent = float("inf")
    busy = 0.0
    for _ in range(3):
        start = time.perf_counter()
        _fit(airline)
        _fit(airline)
        best_sequential = min(best_sequential, time.perf_counter() - start)
        results = [None, None]
        threads = [threading.Thread(target=lambda i=i: results.__setitem__(i, _fit(airline)))
                   for i in range(2)]
        start, cpu = time.perf_counter(), time.process_time()
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        wall = time.perf_counter() - start
        busy = max(busy, (time.process_time() - cpu) / wall)
        best_concurrent = min(best_concurrent, wall)
        for r in results:
            assert same_bits(r.forecast, expected.forecast)
    MEASURED.append(
        f"two vordex.ets calls: {best_sequential:.3f} s one after the other, "
        f"{best_concurrent:.3f} s on two threads at once "
        f"({best_sequential / best_concurrent:.2f}x; CPU time / wall time up to {busy:.2f}; "
        f"{os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f})")
