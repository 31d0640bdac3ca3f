# snipora_media builds the preview's frame index, which the removal plans from.
set(BENCH_LIBS_broadcast snipora_engine snipora_media)
