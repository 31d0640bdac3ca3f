set(BENCH_LIBS_preview snipora_app)
