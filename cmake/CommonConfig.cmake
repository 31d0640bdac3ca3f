# Flags every Snipora target shares; link snipora_common instead of repeating them.
add_library(snipora_common INTERFACE)
target_compile_features(snipora_common INTERFACE cxx_std_20)
target_compile_definitions(snipora_common INTERFACE
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
)
if(MSVC)
    target_compile_options(snipora_common INTERFACE /W4 /utf-8)
else()
    target_compile_options(snipora_common INTERFACE -Wall -Wextra -Wsuggest-override)
endif()
