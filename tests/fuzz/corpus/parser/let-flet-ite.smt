; bindings, ite and arithmetic
(benchmark t :logic QF_UFLIA :status sat
:extrafuns ((x Int) (y Int) (A Int Int Int)) :extrapreds ((p) (q Int))
:assumption (and (<= 0 x) (<= x 3) (<= 0 y) (<= y 3))
:formula (let (?v (+ x 1)) (flet ($g (or p (q 2))) (and $g (< ?v 3) (distinct x y (A 1 1)) (= (ite p x y) (- 3 (* 2 y))) (if_then_else (q 1) (xor p $g) (iff p (not $g))) (implies p (> y (~ 1)))))))
