# Writes every STRIDE-th request of the corpus file CORPUS into its own file
# under OUTPUT, as seeds for the request handling fuzzer; comment and blank
# lines are not requests.
file(STRINGS "${CORPUS}" lines)
file(REMOVE_RECURSE "${OUTPUT}")
file(MAKE_DIRECTORY "${OUTPUT}")
set(index 0)
set(kept 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^{")
    math(EXPR slot "${index} % ${STRIDE}")
    if(slot EQUAL 0)
      file(WRITE "${OUTPUT}/corpus-${index}" "${line}")
      math(EXPR kept "${kept} + 1")
    endif()
    math(EXPR index "${index} + 1")
  endif()
endforeach()
message(STATUS "fuzz seeds: ${kept} of ${index} corpus requests")
