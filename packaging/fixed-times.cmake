# Run by CPack once the files are staged, before it packs them: with
# SOURCE_DATE_EPOCH set (scripts/package sets it from the changelog), every
# staged file and folder takes that time, so that the zip and the installer,
# which store times, are the same bytes from every build.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
  execute_process(COMMAND touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" ${staged}
                          "${CPACK_TEMPORARY_DIRECTORY}" COMMAND_ERROR_IS_FATAL ANY)
endif()
