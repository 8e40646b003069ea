"""Checkers of the two kinds of certificates, written from the definitions.

A word w over the letters 1..n represents a graph G on 1..n when for every
two distinct letters x and y, x and y alternate in w (deleting all other
letters leaves xyxy... or yxyx..., i.e. no letter twice in a row) exactly
when xy is an edge of G.  It is K-uniform when every letter occurs exactly
K times.

An orientation of G is semi-transitive when it is acyclic and has no
shortcut: whenever v0 -> v1 -> ... -> vk is a directed path with k >= 2 and
v0 -> vk is an arc, every vi -> vj with i < j is an arc as well.  It is
k-semi-transitive (k >= 3) when it is acyclic and this holds for the paths
of at most k arcs.

Each function returns a list of problems in words; an empty list means the
certificate is valid."""


def check_word(n, edges, k, letters):
    """The problems of a word as a K-uniform word representing a graph.

    Parameters
    ----------
    n : int
        The graph's vertices are 1..n (n >= 0).
    edges : iterable of (int, int)
        Its edges, each pair in either order.
    k : int
        K: every vertex must occur exactly K times, K >= 1 (K = 1 exactly
        for complete graphs, whose word has one copy of each vertex; the
        null graph's word is empty).
    letters : sequence of int
        The word, one vertex a letter.

    Returns
    -------
    list of str
        The problems in words, in a fixed order (letters that are no
        vertex, counts other than K, then pairs that alternate without an
        edge or have an edge without alternating); empty exactly when the
        word is K-uniform and two distinct vertices alternate in it exactly
        when they are adjacent.

    Examples
    --------
    >>> check_word(3, [(1, 2), (2, 3)], 2, [1, 2, 1, 3, 2, 3])
    []
    >>> check_word(3, [(1, 2), (1, 3), (2, 3)], 1, [3, 1, 2])
    []
    >>> check_word(3, [(1, 2), (2, 3)], 1, [1, 2, 3])
    ['1 and 3 alternate but are not adjacent']
    >>> check_word(2, [(1, 2)], 0, [])
    ['K must be at least 1, not 0']
    """
    problems = []
    if k < 1 and n > 0:
        return ["K must be at least 1, not %d" % k]
    counts = {}
    places = {}
    for i, a in enumerate(letters):
        counts[a] = counts.get(a, 0) + 1
        places.setdefault(a, []).append(i)
    for a in sorted(counts):
        if not 1 <= a <= n:
            problems.append("letter %d is not a vertex (1..%d)" % (a, n))
    for v in range(1, n + 1):
        c = counts.get(v, 0)
        if c != k:
            problems.append("vertex %d occurs %d times, not %d" % (v, c, k))
    es = {(min(a, b), max(a, b)) for a, b in edges}
    for x in range(1, n + 1):
        for y in range(x + 1, n + 1):
            # the word restricted to x and y: their places merged in order
            sub = [v for _, v in sorted([(i, x) for i in places.get(x, ())]
                                        + [(i, y) for i in places.get(y, ())])]
            alternate = all(sub[i] != sub[i + 1] for i in range(len(sub) - 1))
            if alternate and (x, y) not in es:
                problems.append("%d and %d alternate but are not adjacent" % (x, y))
            elif not alternate and (x, y) in es:
                problems.append("%d and %d are adjacent but do not alternate" % (x, y))
    return problems


def _find_cycle(n, out):
    """Return a directed cycle as a list of vertices, or None."""
    colour = [0] * (n + 1)   # 0 new, 1 on the stack, 2 done
    parent = [0] * (n + 1)
    for s in range(1, n + 1):
        if colour[s]:
            continue
        stack = [(s, iter(sorted(out[s])))]
        colour[s] = 1
        while stack:
            v, it = stack[-1]
            w = next(it, None)
            if w is None:
                colour[v] = 2
                stack.pop()
            elif colour[w] == 1:
                cyc = [v]
                while cyc[-1] != w:
                    cyc.append(parent[cyc[-1]])
                return list(reversed(cyc))
            elif colour[w] == 0:
                colour[w] = 1
                parent[w] = v
                stack.append((w, iter(sorted(out[w]))))
    return None


def check_orientation(n, edges, arcs, max_shortcut=None):
    """Problems of the arcs as a semi-transitive orientation of the graph, or
    with max_shortcut k as a k-semi-transitive one."""
    problems = []
    es = {(min(a, b), max(a, b)) for a, b in edges}
    seen = {}
    for a, b in arcs:
        e = (min(a, b), max(a, b))
        if e not in es:
            problems.append("arc %d->%d is not an edge" % (a, b))
        elif e in seen:
            if seen[e] == (a, b):
                problems.append("arc %d->%d is listed twice" % (a, b))
            else:
                problems.append("edge %d %d is oriented both ways" % e)
        else:
            seen[e] = (a, b)
    for e in sorted(es - set(seen)):
        problems.append("edge %d %d is not oriented" % e)
    if problems:
        return problems

    out = {v: set() for v in range(1, n + 1)}
    for a, b in arcs:
        out[a].add(b)
    cyc = _find_cycle(n, out)
    if cyc:
        return ["directed cycle " + "->".join(map(str, cyc + cyc[:1]))]

    if max_shortcut is not None:
        return _short_shortcuts(n, es, out, arcs, max_shortcut)

    # reach[v]: the vertices at the end of a directed path of length >= 1 from v.
    reach = {}
    def reachable(v):
        if v not in reach:
            r = set()
            for w in out[v]:
                r.add(w)
                r |= reachable(w)
            reach[v] = r
        return reach[v]
    for v in range(1, n + 1):
        reachable(v)

    # A shortcut is an arc a->b with a directed path from a to b on which
    # some vi comes before vj without the arc vi->vj.  In an acyclic
    # orientation, x and y lie in this order on some path from a to b
    # exactly when a reaches x (or is x), x reaches y, and y reaches b (or is
    # b): the three pieces join into one path because nothing repeats in a
    # DAG.  So the orientation has no shortcut exactly when, for every arc
    # a->b, every such pair x, y is an arc x->y.
    for a, b in sorted(arcs):
        between = [v for v in range(1, n + 1)
                   if (v == a or v in reach[a]) and (v == b or b in reach[v])]
        for x in between:
            for y in between:
                if y in reach[x] and y not in out[x]:
                    problems.append("shortcut: arc %d->%d, and a directed path from %d to %d "
                                    "passes %d before %d, but %d->%d is not an arc"
                                    % (a, b, a, b, x, y, x, y))
                    return problems
    return problems


def _short_shortcuts(n, es, out, arcs, k):
    """The first shortcut of at most k arcs of an acyclic orientation: an arc
    a->b and non-adjacent x, y with dist(a, x) + dist(x, y) + dist(y, b) <= k
    (fewest arcs, 0 from a vertex to itself); the three shortest paths join
    into one path because nothing repeats in a DAG."""
    dist = {}
    for s in range(1, n + 1):
        d = {s: 0}
        layer = [s]
        while layer:
            nxt = []
            for v in layer:
                for w in out[v]:
                    if w not in d:
                        d[w] = d[v] + 1
                        nxt.append(w)
            layer = nxt
        dist[s] = d
    for a, b in sorted(arcs):
        for x in range(1, n + 1):
            for y in range(1, n + 1):
                if x == y or (min(x, y), max(x, y)) in es:
                    continue
                if x in dist[a] and y in dist[x] and b in dist[y]:
                    length = dist[a][x] + dist[x][y] + dist[y][b]
                    if length <= k:
                        return ["shortcut of length %d: arc %d->%d, and a directed path from %d "
                                "to %d passes %d before %d, which are not adjacent"
                                % (length, a, b, a, b, x, y)]
    return []
