set(BENCH_LIBS_framestep snipora_app)
