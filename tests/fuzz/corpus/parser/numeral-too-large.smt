(benchmark x :extrafuns ((x Int)) :formula (< x 99999999999999999999))
