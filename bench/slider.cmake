set(BENCH_LIBS_slider snipora_slider)
