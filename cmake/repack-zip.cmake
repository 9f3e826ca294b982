# CPack's post-build script: makes each zip it has just written byte-for-byte reproducible
# (tools/repack-zip.py). Entry times are SOURCE_DATE_EPOCH, or else the last commit's time.
if(NOT CPACK_DOZEWELL_PYTHON)
  message(WARNING "No Python found when CMake configured: the zip is CPack's own, not reproducible")
  return()
endif()
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_DOZEWELL_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(epoch STREQUAL "")
  message(WARNING "Neither SOURCE_DATE_EPOCH nor a git history: the zip keeps its files' own times")
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_DOZEWELL_PYTHON}" "${CPACK_DOZEWELL_SOURCE_DIR}/tools/repack-zip.py"
    "${package}" ${epoch} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "tools/repack-zip.py could not rewrite ${package}")
  endif()
endforeach()
