# The steps of the installation after the files are copied (see install.cmake). With DESTDIR
# (a package being staged) the files are made, and the registration is left to the machine the
# package is installed on.
cmake_policy(VERSION 3.25)  # install scripts start with no policies set
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(root "$ENV{DESTDIR}${prefix}")

foreach(name stavelark stavelark-regsvr)
  file(MAKE_DIRECTORY "${root}/bin")
  file(CREATE_LINK "../lib/stavelark/${name}" "${root}/bin/${name}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${prefix}/bin/${name}")
endforeach()

# The desktop's files; the desktop's caches are made only for a real installation (the cache
# tools are looked for on PATH, so an empty PATH leaves them out). The tool makes what it writes
# (and what the cache tools write) readable by every user, whatever the installer's umask.
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
file(GLOB_RECURSE desktop_files RELATIVE "${root}" "${root}/share/applications/stavelark.desktop"
  "${root}/share/mime/packages/stavelark-msf.xml" "${root}/share/icons/hicolor/*/stavelark.png"
  "${root}/share/icons/hicolor/*/application-x-stavelark-msf.png")
list(TRANSFORM desktop_files PREPEND "${prefix}/")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES ${desktop_files})
message(STATUS "Installing: ${root}/share (desktop entry, MIME type, icons)")

if("$ENV{DESTDIR}" STREQUAL "")
  # The control registered for every user, in this installation's machine layer.
  execute_process(
    COMMAND "${root}/lib/stavelark/stavelark-regsvr" --machine "${root}/lib/stavelark/libglidebar.so"
    RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The Glidebar control could not be registered in ${root}/etc/stavelark/registry.ini")
  endif()
  message(STATUS "Registered: ${root}/lib/stavelark/libglidebar.so in ${root}/etc/stavelark/registry.ini")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${prefix}/etc/stavelark/registry.ini")
else()
  message(STATUS "Not registered (DESTDIR): run ${prefix}/bin/stavelark-regsvr --machine "
                 "${prefix}/lib/stavelark/libglidebar.so once the files are in place")
endif()

# What the installation made: every file (the machine registration among them, which for a staged
# package is made later) and the folders that were not there before it. The manifest names files
# as they will be, without DESTDIR.
set(list_file "${root}/lib/stavelark/installed-files")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${prefix}/lib/stavelark/installed-files")
set(files etc/stavelark/registry.ini)
foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
  file(RELATIVE_PATH file "${prefix}" "${file}")
  list(APPEND files "${file}")
endforeach()
set(folders "")
foreach(file IN LISTS files)
  get_filename_component(folder "${file}" DIRECTORY)
  while(NOT folder STREQUAL "" AND NOT folder IN_LIST STAVELARK_FOLDERS_BEFORE)
    list(APPEND folders "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
# The MIME database's folder for the type's media type, which its tool makes.
if(IS_DIRECTORY "${root}/share/mime/application" AND NOT "share/mime/application" IN_LIST STAVELARK_FOLDERS_BEFORE)
  list(APPEND folders share/mime/application)
endif()
list(REMOVE_DUPLICATES files)
list(REMOVE_DUPLICATES folders)

# The list the uninstaller (lib/stavelark/uninstall) works from, with what an earlier
# installation into this prefix listed. A staged package is installed among folders it cannot
# know: it lists only its own.
set(listed_files ${files})
set(listed_folders ${folders})
list(LENGTH STAVELARK_NEW_ABOVE above)
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  list(FILTER listed_folders INCLUDE REGEX "^(lib|etc)/stavelark$")
  set(above 0)
endif()
set(earlier_above 0)
foreach(line IN LISTS STAVELARK_LISTED_BEFORE)
  if(line MATCHES "^f (.+)$")
    list(APPEND listed_files "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^d (.+)$")
    list(APPEND listed_folders "${CMAKE_MATCH_1}")
  elseif(line STREQUAL "u")
    math(EXPR earlier_above "${earlier_above} + 1")
  endif()
endforeach()
if(earlier_above GREATER above)
  set(above ${earlier_above})
endif()
list(REMOVE_DUPLICATES listed_files)
list(REMOVE_DUPLICATES listed_folders)
# Reverse name order puts every folder before the folders that hold it.
list(SORT listed_folders)
list(REVERSE listed_folders)
string(CONCAT text "# Written by the installation, read by ./uninstall: f FILE, d FOLDER it made, and u for each\n"
                   "# folder it made at or above the prefix, the prefix first.\n")
foreach(file IN LISTS listed_files)
  string(APPEND text "f ${file}\n")
endforeach()
foreach(folder IN LISTS listed_folders)
  string(APPEND text "d ${folder}\n")
endforeach()
while(above GREATER 0)
  string(APPEND text "u\n")
  math(EXPR above "${above} - 1")
endwhile()
file(WRITE "${list_file}" "${text}")

# Everything the installation made is for every user to read and run and for its owner alone to
# change, whatever the installer's umask: folders 0755, programs and libraries 0755, other files
# 0644. Symbolic links have no modes of their own.
set(dir_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
function(set_modes path)
  if(IS_SYMLINK "${path}" OR NOT EXISTS "${path}")
  elseif(IS_DIRECTORY "${path}" OR path MATCHES "/lib/stavelark/(stavelark|stavelark-regsvr|libglidebar\\.so|uninstall)$")
    file(CHMOD "${path}" PERMISSIONS ${dir_mode})
  else()
    file(CHMOD "${path}" PERMISSIONS ${file_mode})
  endif()
endfunction()
foreach(path IN LISTS STAVELARK_NEW_ABOVE)
  set_modes("${path}")
endforeach()
foreach(path IN LISTS folders files)
  set_modes("${root}/${path}")
endforeach()
# The caches the desktop's tools rewrote: the MIME database (all of share/mime but its packages),
# the desktop database and an icon cache.
set(caches share/applications/mimeinfo.cache share/icons/hicolor/icon-theme.cache)
if(IS_DIRECTORY "${root}/share/mime")
  file(GLOB_RECURSE mime_caches LIST_DIRECTORIES true RELATIVE "${root}" "${root}/share/mime/*")
  list(FILTER mime_caches EXCLUDE REGEX "^share/mime/packages(/|$)")
  list(APPEND caches ${mime_caches})
endif()
foreach(path IN LISTS caches)
  set_modes("${root}/${path}")
endforeach()
