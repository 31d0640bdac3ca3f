set(BENCH_LIBS_soak snipora_engine)
