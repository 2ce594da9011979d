"""Text at many sizes from one thread: the glyph shapes a thread keeps are renewed between labels, and a
label never draws from a shape that was let go while it was being drawn."""

from concurrent.futures import ThreadPoolExecutor

import tavlo

# 21 different characters: each label at a new size adds 21 shapes, so the thread's store fills up in the
# middle of a label rather than between two.
TEXT = "0123456789ABCDEFGHIJK"
SIZES = range(1, 56)


def _in_a_new_thread(work):
    with ThreadPoolExecutor(max_workers=1) as fresh:
        return fresh.submit(work).result()


def _label(dots):
    return tavlo.Code128(TEXT).png(dpi=300, x_dim=f"{dots}dots")


def test_labels_at_many_sizes_match_labels_drawn_alone():
    together = _in_a_new_thread(lambda: [_label(dots) for dots in SIZES])
    for dots in (SIZES[0], 48, 49, SIZES[-1]):
        assert together[dots - 1] == _in_a_new_thread(lambda: _label(dots)), f"{dots} dots per module"
