# What the program is built from: every file of the product's folders, the top CMakeLists.txt and cmake/.
# Included, it gives dozewell_exe_sources(VAR ROOT). Run as a script,
#   cmake -DROOT=SOURCE_DIR -DSTAMP=FILE -P cmake/source-stamp.cmake
# it writes FILE: each of those files' SHA-256 and path, as sha256sum prints them. The build writes it beside
# DozewellTimer.exe, so two build folders tell whether their exes come from the same sources.
function(dozewell_exe_sources variable root)
  set(again CONFIGURE_DEPENDS)  # a file added later configures the build again
  if(CMAKE_SCRIPT_MODE_FILE)
    set(again "")
  endif()
  file(GLOB_RECURSE files ${again}
    ${root}/app/* ${root}/countdown/* ${root}/tray/* ${root}/settings/* ${root}/errors/* ${root}/res/*
    ${root}/cmake/*)
  list(SORT files)
  set(${variable} ${root}/CMakeLists.txt ${files} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  dozewell_exe_sources(files ${ROOT})
  set(listing "")
  foreach(file IN LISTS files)
    file(SHA256 ${file} hash)
    file(RELATIVE_PATH name ${ROOT} ${file})
    string(APPEND listing "${hash}  ${name}\n")
  endforeach()
  file(WRITE ${STAMP} "${listing}")
endif()
