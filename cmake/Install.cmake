# Install rules of the calculator, and its help page beside the executable in
# the build tree. Included from the top-level CMakeLists.txt after
# add_subdirectory(workbench), inside if(BUILD_GUI).
#
# The program opens <folder of its executable>/Help/EIA_Readme.htm, so the
# help page always travels with the executable: to <bindir>/Help when
# installed, and to the executable's own folder in the build tree.

if(NOT TARGET titrelle)
  message(FATAL_ERROR "cmake/Install.cmake: include it after add_subdirectory(workbench), which defines titrelle")
endif()

include(GNUInstallDirs)

set(TITRELLE_HELP_PAGE "${PROJECT_SOURCE_DIR}/Help/EIA_Readme.htm")
set(TITRELLE_ICON "${PROJECT_SOURCE_DIR}/packaging/titrelle.svg")
set(TITRELLE_DESKTOP_ENTRY "${PROJECT_SOURCE_DIR}/packaging/titrelle.desktop")

# Copies the help page to <folder of Target's executable>/Help/EIA_Readme.htm
# whenever the page changes, and makes Target depend on the copy, so that
# building the program alone (cmake --build ... --target titrelle) brings it.
function(titrelle_copy_help_page Target)
  get_property(MultiConfig GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(MultiConfig)
    # The folder depends on the configuration; copy after every link.
    add_custom_command(TARGET ${Target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_FILE_DIR:${Target}>/Help"
      COMMAND ${CMAKE_COMMAND} -E copy_if_different "${TITRELLE_HELP_PAGE}" "$<TARGET_FILE_DIR:${Target}>/Help/EIA_Readme.htm"
      VERBATIM)
    return()
  endif()

  # Single-configuration generators: the executable lands in the target's
  # RUNTIME_OUTPUT_DIRECTORY, or else in the binary folder that defined it.
  get_target_property(ExeDir ${Target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT ExeDir)
    get_target_property(ExeDir ${Target} BINARY_DIR)
  endif()
  set(Copy "${ExeDir}/Help/EIA_Readme.htm")
  add_custom_command(OUTPUT "${Copy}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${ExeDir}/Help"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${TITRELLE_HELP_PAGE}" "${Copy}"
    DEPENDS "${TITRELLE_HELP_PAGE}"
    COMMENT "Copying the help page beside ${Target}"
    VERBATIM)
  add_custom_target(${Target}_help ALL DEPENDS "${Copy}")
  add_dependencies(${Target} ${Target}_help)
endfunction()

titrelle_copy_help_page(titrelle)

# cmake --install <build> --prefix <prefix>:
#   <prefix>/bin/titrelle
#   <prefix>/bin/Help/EIA_Readme.htm
#   <prefix>/share/icons/hicolor/scalable/apps/titrelle.svg
#   <prefix>/share/applications/titrelle.desktop
install(TARGETS titrelle RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES "${TITRELLE_HELP_PAGE}" DESTINATION ${CMAKE_INSTALL_BINDIR}/Help)
install(FILES "${TITRELLE_ICON}" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES "${TITRELLE_DESKTOP_ENTRY}" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
