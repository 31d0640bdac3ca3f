set(BENCH_LIBS_breaks snipora_media)
