# cmake --install <build> --prefix P:
#   P/lib/stavelark/   the program, the registration tool, libglidebar.so and the help pages:
#                      the program's folder (App.Path), where it finds its pages as in the build;
#                      `uninstall`, which removes the installation again, and the list of what the
#                      installation made (`installed-files`) that it works from
#   P/bin/             links to the program and the registration tool
#   P/etc/stavelark/registry.ini   the machine layer of the classes root, where the installation
#                      registers the control for every user
#   P/share/           the desktop entry, the MIME type of project files and the icons (hicolor)
# The pictures the program shows are compiled into it. Everything the installation makes is
# readable by every user and writable by its owner only, whatever the installer's umask.

# Folders made while the files are copied (install_steps.cmake sets their modes again: cmake
# leaves these to the umask).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Run at installation only, never installed.
add_executable(stavelark-desktop-files ${CMAKE_CURRENT_LIST_DIR}/desktop_files_main.cpp)
target_link_libraries(stavelark-desktop-files PRIVATE stavelark_store stavelark_resources)
add_dependencies(stavelark stavelark-desktop-files)

# The rules run in this order.
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install_start.cmake)
install(TARGETS stavelark stavelark-regsvr RUNTIME DESTINATION lib/stavelark)
install(TARGETS glidebar LIBRARY DESTINATION lib/stavelark)
install(FILES ${PROJECT_SOURCE_DIR}/src/resources/html/about.html ${PROJECT_SOURCE_DIR}/src/resources/html/help.html
  DESTINATION lib/stavelark)
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/uninstall.sh DESTINATION lib/stavelark RENAME uninstall)
install(CODE "set(STAVELARK_DESKTOP_FILES \"$<TARGET_FILE:stavelark-desktop-files>\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install_steps.cmake)
