set(BENCH_LIBS_joints snipora_engine)
