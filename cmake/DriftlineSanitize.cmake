# AddressSanitizer and UndefinedBehaviorSanitizer for every target when DRIFTLINE_SANITIZE is on.
add_library(driftline_sanitize INTERFACE)
if(DRIFTLINE_SANITIZE)
  target_compile_options(driftline_sanitize INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(driftline_sanitize INTERFACE -fsanitize=address,undefined)
endif()
