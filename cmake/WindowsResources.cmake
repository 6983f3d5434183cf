# hc_version_resource(target description [manifest]): a version resource, the
# program's icon (drawn by packaging/) and an application manifest when one
# is given, built into a Windows executable.
function(hc_version_resource target description)
  set(RC_NAME ${target})
  set(RC_DESCRIPTION "${description}")
  set(RC_MANIFEST "")
  if(ARGC GREATER 2)
    set(RC_MANIFEST "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${ARGV2}\"")
  endif()
  # Explorer shows the first icon group; the window keeps the system's class
  # icon, which the program loads itself.
  set(icon ${PROJECT_BINARY_DIR}/packaging/icons/hypercube.ico)
  set(RC_ICON "1 ICON \"${icon}\"")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${icon})
  add_dependencies(${target} icons)
endfunction()
