# Installs the development component of a build into a fresh prefix, then
# configures, builds and runs the consumer project against that prefix alone.
# Also checks that a version the package cannot satisfy is refused.
#
# Variables: BUILD_DIR, CONSUMER_DIR, WORK_DIR, CXX_COMPILER, BUILD_TYPE,
# CXX_FLAGS, LINKER_FLAGS.

include(${CMAKE_CURRENT_LIST_DIR}/run_step.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component glidestone_development)
foreach(file include/glidestone/glidestone.h include/glidestone/version.h
             include/glidestone/simulator/interfaces/simulator.h include/glidestone/shot/shot_player.h)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "install did not put ${file} into the prefix")
  endif()
endforeach()
file(GLOB_RECURSE config_files ${prefix}/*/glidestoneConfigVersion.cmake)
if(NOT config_files)
  message(FATAL_ERROR "no glidestoneConfigVersion.cmake in the prefix")
endif()

set(configure ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run("configure the consumer" ${configure} -B ${WORK_DIR}/consumer)
run("build the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("run the consumer" ${WORK_DIR}/consumer/consumer)
message("${last_output}")
run("run the planner-only consumer" ${WORK_DIR}/consumer/probe_only)
message("${last_output}")

execute_process(COMMAND ${configure} -B ${WORK_DIR}/too_new -DGLIDESTONE_WANTED_VERSION=1.0
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT err MATCHES "compatible with requested version")
  message(FATAL_ERROR "asking for version 1.0 should be refused by the version file:\n${err}")
endif()
