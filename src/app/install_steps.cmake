# The steps of the installation after the files are copied (see install.cmake). With DESTDIR
# (a package being staged) the files are made, and the registration is left to the machine the
# package is installed on.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(root "$ENV{DESTDIR}${prefix}")

foreach(name stavelark stavelark-regsvr)
  file(MAKE_DIRECTORY "${root}/bin")
  file(CREATE_LINK "../lib/stavelark/${name}" "${root}/bin/${name}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}/bin/${name}")
endforeach()

# The desktop's files; the desktop's caches are made only for a real installation (the cache
# tools are looked for on PATH, so an empty PATH leaves them out).
set(path "$ENV{PATH}")
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  set(path "")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "PATH=${path}" "${STAVELARK_DESKTOP_FILES}" "${prefix}/bin/stavelark" "${root}/share"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The desktop entry, MIME type or icons could not be installed in ${root}/share")
endif()
file(GLOB_RECURSE desktop_files "${root}/share/applications/stavelark.desktop" "${root}/share/mime/packages/stavelark-msf.xml"
  "${root}/share/icons/hicolor/*/stavelark.png" "${root}/share/icons/hicolor/*/application-x-stavelark-msf.png")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES ${desktop_files})
message(STATUS "Installing: ${root}/share (desktop entry, MIME type, icons)")
# A theme whose icons are cached shows new icons only once its cache knows them.
find_program(gtk_update_icon_cache gtk-update-icon-cache)
if("$ENV{DESTDIR}" STREQUAL "" AND EXISTS "${root}/share/icons/hicolor/icon-theme.cache" AND gtk_update_icon_cache)
  execute_process(COMMAND "${gtk_update_icon_cache}" -q -t -f "${root}/share/icons/hicolor")
endif()

if("$ENV{DESTDIR}" STREQUAL "")
  # The control registered for every user, in this installation's machine layer.
  execute_process(
    COMMAND "${root}/lib/stavelark/stavelark-regsvr" --machine "${root}/lib/stavelark/libglidebar.so"
    RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The Glidebar control could not be registered in ${root}/etc/stavelark/registry.ini")
  endif()
  message(STATUS "Registered: ${root}/lib/stavelark/libglidebar.so in ${root}/etc/stavelark/registry.ini")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}/etc/stavelark/registry.ini")
else()
  message(STATUS "Not registered (DESTDIR): run ${prefix}/bin/stavelark-regsvr --machine "
                 "${prefix}/lib/stavelark/libglidebar.so once the files are in place")
endif()
