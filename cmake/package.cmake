# The installable C++ package: headers under include/glidestone, the static
# libraries, and a CMake config with exported targets, so that a program
# outside this tree does
#
#   find_package(glidestone CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE glidestone::glidestone)
#
# and includes <glidestone/glidestone.h>. Installed headers keep the tree's
# own layout (include/glidestone/simulator/interfaces/simulator.h, ...), and
# include/glidestone is on consumers' include path so that the headers'
# includes of one another resolve as they do in the tree.
#
# Components: glidestone_development (headers, libraries, config) and
# glidestone_runtime (the server, the batch tool and the game tool).

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(glidestone_config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/glidestone)

# The engine target. Everything the installed package needs to know about the
# physics engine is here and nowhere else: the engine is built by this project
# (engine/) as a static library, so it is installed and exported with the
# libraries as glidestone::box2d, its headers kept apart under
# include/glidestone/engine so that they never shadow another Box2D a consumer
# may have. Consumers need nothing else.
set(glidestone_engine_targets glidestone_box2d glidestone_pinned_math)
set_target_properties(glidestone_box2d PROPERTIES EXPORT_NAME box2d)
set_target_properties(glidestone_pinned_math PROPERTIES EXPORT_NAME pinned_math)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/third_party/box2d/include/box2d
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glidestone/engine COMPONENT glidestone_development)
# The pinned float functions, and the header forced into every file compiled
# against the engine's headers (glidestone::box2d's interface names it).
install(FILES math/pinned_math.h math/engine_routes.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glidestone/math COMPONENT glidestone_development)

configure_file(cmake/version.h.in ${PROJECT_BINARY_DIR}/include/glidestone/version.h @ONLY)

# The umbrella target and header.
add_library(glidestone INTERFACE)
add_library(glidestone::glidestone ALIAS glidestone)
target_link_libraries(glidestone INTERFACE glidestone_shot glidestone_research glidestone_game)
# In the build tree the public headers sit beside their sources, so the top of
# the tree is their include directory (a project that adds glidestone as a
# subdirectory links this target); installed, they are under
# include/glidestone.
target_include_directories(glidestone INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                                $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
                                                $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)

# What the headers need, stated by each exported target, so that a consumer
# with no language standard of its own compiles them (std::span, defaulted
# comparisons).
foreach(target glidestone glidestone_simulator glidestone_planner glidestone_shot glidestone_research glidestone_game)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_compile_features(${target} INTERFACE cxx_std_20)
  else()
    target_compile_features(${target} PUBLIC cxx_std_20)
  endif()
endforeach()

set_target_properties(glidestone_simulator PROPERTIES EXPORT_NAME simulator)
set_target_properties(glidestone_planner PROPERTIES EXPORT_NAME planner)
set_target_properties(glidestone_shot PROPERTIES EXPORT_NAME shot)
set_target_properties(glidestone_research PROPERTIES EXPORT_NAME research)
set_target_properties(glidestone_game PROPERTIES EXPORT_NAME game)
set_target_properties(glidestone_workers PROPERTIES EXPORT_NAME workers)

install(TARGETS glidestone glidestone_simulator glidestone_planner glidestone_shot glidestone_research glidestone_game
                glidestone_workers
                ${glidestone_engine_targets}
        EXPORT glidestoneTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT glidestone_development
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT glidestone_development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} ${CMAKE_INSTALL_INCLUDEDIR}/glidestone)

# The public headers and those they include; none of them includes the
# engine's headers.
set(glidestone_public_headers
    simulator/interfaces/collision.h
    simulator/interfaces/simulator.h
    simulator/interfaces/simulator_factory.h
    simulator/interfaces/simulator_storage.h
    simulator/interfaces/stone.h
    simulator/fcv1/simulator_fcv1_factory.h
    simulator/fcv1/simulator_fcv1_storage.h
    planner/shot_velocity.h
    shot/release_perturbation.h
    shot/sheet.h
    shot/shot.h
    shot/shot_player.h
    shot/trajectory.h
    research/end_score.h
    research/execution_noise.h
    research/monte_carlo.h
    research/random.h
    game/action.h
    game/agent.h
    game/agent_match.h
    game/delivery.h
    game/game.h
    game/game_state.h
    game/record.h
    game/rules.h
    game/random_shot.h
    game/sheet_rules.h)
foreach(header IN LISTS glidestone_public_headers)
  get_filename_component(header_dir ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glidestone/${header_dir}
          COMPONENT glidestone_development)
endforeach()
install(FILES include/glidestone/glidestone.h ${PROJECT_BINARY_DIR}/include/glidestone/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glidestone COMPONENT glidestone_development)

install(EXPORT glidestoneTargets NAMESPACE glidestone:: DESTINATION ${glidestone_config_dir}
        COMPONENT glidestone_development)
configure_package_config_file(cmake/glidestoneConfig.cmake.in ${PROJECT_BINARY_DIR}/glidestoneConfig.cmake
                              INSTALL_DESTINATION ${glidestone_config_dir})
# 0.x: a minor version may break the API.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/glidestoneConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/glidestoneConfig.cmake ${PROJECT_BINARY_DIR}/glidestoneConfigVersion.cmake
        DESTINATION ${glidestone_config_dir} COMPONENT glidestone_development)

install(TARGETS glidestone-server glidestone-batch glidestone-game RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT glidestone_runtime)
