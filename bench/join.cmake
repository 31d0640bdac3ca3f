set(BENCH_LIBS_join snipora_engine)
