set(BENCH_LIBS_seek snipora_engine)
