set(BENCH_LIBS_engine snipora_engine)
