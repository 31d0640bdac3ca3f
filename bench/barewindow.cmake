# Widgets only, so that the yardstick loads no more than a bare window needs.
set(BENCH_LIBS_barewindow Qt6::Widgets snipora_platform)
