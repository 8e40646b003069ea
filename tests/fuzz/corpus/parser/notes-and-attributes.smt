(benchmark n :source { a \} b } :notes "a \" b" :myattr { v } :extrapreds ((p)) :formula (not (not p)) :status unknown)
