# Run by CPack after it packs: the zip made again with its files in sorted
# order. CPack adds them in the order the file system lists the staging
# folder, which differs between file systems (tmpfs and ext4, or two ext4
# volumes), so the same build would give other bytes elsewhere.
if(DEFINED ZIP_OUT)
  # Run again by the part below in the folder above the staged one, so that
  # the names are stored relative to it, as CPack stores them.
  # With SOURCE_DATE_EPOCH set (scripts/package sets it) every time stored
  # is that one, as in CPack's own archives.
  file(ARCHIVE_CREATE OUTPUT "${ZIP_OUT}" PATHS ${ZIP_FILES} FORMAT zip)
  return()
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.zip$")
    continue()
  endif()
  get_filename_component(top "${CPACK_TEMPORARY_DIRECTORY}" DIRECTORY)
  file(GLOB_RECURSE files RELATIVE "${top}" "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT files)
  file(REMOVE "${package}")
  execute_process(COMMAND "${CPACK_HC_CMAKE}" "-DZIP_OUT=${package}" "-DZIP_FILES=${files}"
                          -P "${CMAKE_CURRENT_LIST_FILE}"
                  WORKING_DIRECTORY "${top}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
