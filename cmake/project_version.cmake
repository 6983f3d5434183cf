# cmake -DBUILD=dir -P project_version.cmake: prints the project version that
# configuring the build folder dir recorded.
load_cache(${BUILD} READ_WITH_PREFIX hc_ CMAKE_PROJECT_VERSION)
if(NOT hc_CMAKE_PROJECT_VERSION)
  message(FATAL_ERROR "${BUILD} is not a configured build folder")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${hc_CMAKE_PROJECT_VERSION})
