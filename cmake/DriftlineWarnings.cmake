# Warnings are an interface target linked privately, so they never leak to users of a target.
add_library(driftline_warnings INTERFACE)
target_compile_options(driftline_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local -Wno-missing-field-initializers)
