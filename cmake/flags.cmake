# How every target of this project is compiled, in one place: each library,
# program, test and module links glidestone_flags PRIVATE (the exported
# libraries through $<BUILD_INTERFACE:...>, so the package never names it).
# Nothing here is set globally, so a project that takes glidestone in with
# add_subdirectory keeps its own flags for its own targets.
add_library(glidestone_flags INTERFACE)

# Results must reproduce bit for bit: 32-bit float physics, evaluated in the
# order written, never contracted into fused multiply-adds.
target_compile_options(glidestone_flags INTERFACE -ffp-contract=off -fno-fast-math -Wall -Wextra -Wpedantic
                                                  $<$<BOOL:${GLIDESTONE_WERROR}>:-Werror>)
if(GLIDESTONE_SANITIZE)
  # A target whose GLIDESTONE_NO_SHIFT_CHECK property is true is checked for
  # everything but shifts (set here, after the -fsanitize it narrows: a
  # target's own options come before those of what it links).
  target_compile_options(glidestone_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
                                                    -fno-omit-frame-pointer
                                                    $<$<BOOL:$<TARGET_PROPERTY:GLIDESTONE_NO_SHIFT_CHECK>>:-fno-sanitize=shift>)
  target_link_options(glidestone_flags INTERFACE -fsanitize=address,undefined)
endif()

# Sources include one another from the top of the tree ("shot/shot.h").
target_include_directories(glidestone_flags INTERFACE ${PROJECT_SOURCE_DIR})
