"""An independent decision procedure for semi-transitivity, for the tests.

It searches the orientations of a graph by backtracking, written from the
definition (an orientation is semi-transitive when it is acyclic and has no
shortcut) and from two facts that follow from it:

* if x reaches y along arcs already chosen and xy is an edge, the edge must
  be x->y (the other way closes a cycle);
* in an acyclic orientation, an arc a->b has a shortcut through x and y
  exactly when a reaches x (or is x), x reaches y, y reaches b (or is b) and
  x, y are not adjacent (adjacent ones are forced to x->y by the first
  fact).  Adding arcs never removes such a configuration, so a partial
  orientation that has one can be abandoned.

Reversing every arc keeps an orientation semi-transitive, so the first edge
is tried in one direction only.  Returns a semi-transitive orientation as a
list of arcs, or None when the graph has none."""


def _closure(n, out):
    reach = list(out)
    changed = True
    while changed:
        changed = False
        for v in range(n):
            r = reach[v]
            acc = r
            m = r
            while m:
                low = m & -m
                acc |= reach[low.bit_length() - 1]
                m ^= low
            if acc != r:
                reach[v] = acc
                changed = True
    return reach


def _bits(m):
    """The indices of the set bits of m, lowest first."""
    while m:
        low = m & -m
        yield low.bit_length() - 1
        m ^= low


def _edge_order(es):
    """The edges breadth-first from the first one, which keeps the search local."""
    order, seen = [], set()
    while len(order) < len(es):
        start = next(e for e in es if e not in seen)
        queue = [start]
        seen.add(start)
        while queue:
            e = queue.pop(0)
            order.append(e)
            for f in es:
                if f not in seen and (set(f) & set(e)):
                    seen.add(f)
                    queue.append(f)
    return order


def _has_shortcut(n, adj, out, reach):
    """Whether some arc a->b has x, y with a (or a itself) reaching x, x
    reaching y, y reaching b (or b itself) and x, y not adjacent."""
    back = [0] * n          # back[v]: vertices that reach v
    for v in range(n):
        for w in _bits(reach[v]):
            back[w] |= 1 << v
    for a in range(n):
        for b in _bits(out[a]):
            between = (reach[a] | 1 << a) & (back[b] | 1 << b)
            if any(reach[x] & between & ~adj[x] for x in _bits(between)):
                return True
    return False


def _propagate(n, adj, out):
    """Force edges, check; the new out list, or None when it cannot be completed."""
    out = list(out)
    while True:
        reach = _closure(n, out)
        if any(reach[v] >> v & 1 for v in range(n)):
            return None
        forced = False
        for v in range(n):
            new = reach[v] & adj[v] & ~out[v]
            if new:
                out[v] |= new
                forced = True
        if not forced:
            break
    return None if _has_shortcut(n, adj, out, reach) else out


def find_semi_transitive(n, edges):
    """n vertices 1..n, edges pairs; returns arcs (1-based) or None."""
    adj = [0] * n
    es = []
    for a, b in edges:
        a, b = a - 1, b - 1
        adj[a] |= 1 << b
        adj[b] |= 1 << a
        es.append((a, b))
    order = _edge_order(es)

    def oriented(out, e):
        a, b = e
        return (out[a] >> b & 1) or (out[b] >> a & 1)

    def search(out, k, first):
        while k < len(order) and oriented(out, order[k]):
            k += 1
        if k == len(order):
            return out
        a, b = order[k]
        for x, y in ((a, b),) if first else ((a, b), (b, a)):
            trial = list(out)
            trial[x] |= 1 << y
            trial = _propagate(n, adj, trial)
            if trial is not None:
                res = search(trial, k + 1, False)
                if res is not None:
                    return res
        return None

    res = search([0] * n, 0, True)
    if res is None:
        return None
    return [(a + 1, b + 1) for a in range(n) for b in range(n) if res[a] >> b & 1]
