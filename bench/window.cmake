set(BENCH_LIBS_window snipora_app)
# The window plays through the preview module, as the program does.
set(BENCH_DEPS_window snipora_preview_module)
