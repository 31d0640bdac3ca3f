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

# -DSNIPORA_SANITIZE=ON builds every target with AddressSanitizer and
# UndefinedBehaviorSanitizer; any finding ends the program with an error.
# scripts/test runs the suite this way in build-asan.
option(SNIPORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(SNIPORA_SANITIZE)
    if(MSVC)
        message(FATAL_ERROR "SNIPORA_SANITIZE needs GCC or Clang")
    endif()
    set(snipora_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g1)
    target_compile_options(snipora_common INTERFACE ${snipora_sanitize_flags})
    target_link_options(snipora_common INTERFACE ${snipora_sanitize_flags})
endif()
