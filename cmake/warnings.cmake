# Every target of the project compiles with warnings as errors.
add_library(hurt_warnings INTERFACE)
target_compile_options(hurt_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wpedantic -Wimplicit-fallthrough -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # g++ 12 reports false positives on std::string/std::variant internals at -O2/-O3.
  target_compile_options(hurt_warnings INTERFACE
    -Wno-maybe-uninitialized -Wno-array-bounds -Wno-stringop-overflow -Wno-restrict)
endif()
