set(BENCH_LIBS_window snipora_app)
