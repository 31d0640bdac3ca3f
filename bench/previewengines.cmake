# Both engines in one program. Each defines the same free function linearGainForVolume (the
# same decibel-to-linear rule), so the linker is told to take one of the two.
if(NOT TARGET bench_previewengines_links)
    add_library(bench_previewengines_links INTERFACE)
    target_link_libraries(bench_previewengines_links INTERFACE snipora_previewav snipora_previewqt)
    target_link_options(bench_previewengines_links INTERFACE "LINKER:--allow-multiple-definition")
endif()
set(BENCH_LIBS_previewengines bench_previewengines_links)
