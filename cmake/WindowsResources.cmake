# hc_version_resource(target description [manifest]): a version resource, and
# an application manifest when one is given, built into a Windows executable.
function(hc_version_resource target description)
  set(RC_NAME ${target})
  set(RC_DESCRIPTION "${description}")
  set(RC_MANIFEST "")
  if(ARGC GREATER 2)
    set(RC_MANIFEST "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${ARGV2}\"")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
