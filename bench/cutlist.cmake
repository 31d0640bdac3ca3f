set(BENCH_LIBS_cutlist snipora_app)
