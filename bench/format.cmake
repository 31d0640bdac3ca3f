set(BENCH_LIBS_format snipora_format)
