(benchmark test.smt
:extrafuns ((A Int Int Int))
:formula (and
(< 0 (A 1 1))
(>= 4 (A 1 1))
(< 0 (A 1 2))
(>= 4 (A 1 2))
(< 0 (A 2 1))
(>= 4 (A 2 1))
(< 0 (A 2 2))
(>= 4 (A 2 2))
(= (A 1 1) 1)
(distinct
(A 1 1)
(A 1 2)
(A 2 1)
(A 2 2)
)
(or
(and
(= 1 (A 1 1))
(< (A 1 1) (A 2 1))
(< (A 1 2) (A 2 2))
(< (A 2 1) (A 1 2))
) (and
(< (A 2 1) (A 1 1))
(< (A 2 2) (A 1 2))
(< (A 1 1) (A 2 2))
))
))
