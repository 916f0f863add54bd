# The first step of the installation (see install.cmake), before anything is copied: which of the
# folders the installation puts files in exist already. install_steps.cmake gives the others
# their modes and lists them for the uninstaller, together with those an earlier installation
# into this prefix made.
cmake_policy(VERSION 3.25)  # install scripts start with no policies set
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(STAVELARK_FOLDERS_BEFORE "")
foreach(folder bin lib lib/stavelark etc etc/stavelark share share/applications share/mime share/mime/packages
               share/mime/application share/icons share/icons/hicolor)
  if(IS_DIRECTORY "${root}/${folder}")
    list(APPEND STAVELARK_FOLDERS_BEFORE "${folder}")
  endif()
endforeach()
file(GLOB icon_folders LIST_DIRECTORIES true RELATIVE "${root}"
  "${root}/share/icons/hicolor/*" "${root}/share/icons/hicolor/*/*")
list(APPEND STAVELARK_FOLDERS_BEFORE ${icon_folders})

# The prefix and the folders above it that do not exist yet: the installation makes them.
set(STAVELARK_NEW_ABOVE "")
set(folder "${root}")
while(NOT IS_DIRECTORY "${folder}")
  list(APPEND STAVELARK_NEW_ABOVE "${folder}")
  get_filename_component(folder "${folder}" DIRECTORY)
endwhile()

# What an earlier installation listed stays listed.
set(STAVELARK_LISTED_BEFORE "")
if(EXISTS "${root}/lib/stavelark/installed-files")
  file(STRINGS "${root}/lib/stavelark/installed-files" STAVELARK_LISTED_BEFORE REGEX "^([fd] |u$)")
endif()
