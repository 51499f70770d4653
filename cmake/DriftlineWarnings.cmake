# Warnings are an interface target linked privately, so they never leak to users of a target.
add_library(driftline_warnings INTERFACE)
target_compile_options(driftline_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
