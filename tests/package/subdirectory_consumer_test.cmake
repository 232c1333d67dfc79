# Configures the subdirectory consumer around the project's source tree,
# builds only its program (and so the libraries it links) and runs it.
#
# Variables: SOURCE_DIR, CONSUMER_DIR, WORK_DIR, CXX_COMPILER.

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
# A debug build: the libraries compile fastest so, and the program checks
# only what any build type gives.
run("configure the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR} -DGLIDESTONE_SOURCE_DIR=${SOURCE_DIR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=Debug)
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
run("build the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR} --target consumer -j ${cores})
run("run the consumer" ${WORK_DIR}/consumer)
message("${last_output}")
