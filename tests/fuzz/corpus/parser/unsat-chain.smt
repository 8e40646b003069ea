(benchmark u :extrafuns ((a Int) (b Int) (c Int)) :formula (and (< a b c) (> a c 0) (<= c 2)))
