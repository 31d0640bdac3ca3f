set(BENCH_LIBS_startup snipora_settings)
# It launches the program and the bare window.
set(BENCH_DEPS_startup bench_barewindow snipora)
