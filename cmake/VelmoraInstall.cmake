# Installing: the programs in bin/, every library of the suite in a folder of
# its own beside the system's libraries, each found through a run path taken
# from where the program or library itself lies, so a staged or packaged tree
# runs wherever it is unpacked. Data (sounds, help, desktop files, icons) is
# installed by the folder that makes it.
include(GNUInstallDirs)
set(VELMORA_LIBRARY_DIR ${CMAKE_INSTALL_LIBDIR}/velmora)

# Every shared library target below `dir`.
function(velmora_collect_shared_libraries dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  set(found)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
      list(APPEND found ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    velmora_collect_shared_libraries(${sub} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

velmora_collect_shared_libraries(${CMAKE_SOURCE_DIR} velmora_libraries)
set_target_properties(${velmora_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${velmora_libraries} LIBRARY DESTINATION ${VELMORA_LIBRARY_DIR})

foreach(program snapvo32 reelix32)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${VELMORA_LIBRARY_DIR}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# A staged install (DESTDIR) whose programs must start from the staged tree
# alone; skipped in sanitizer and fuzz builds, which are not shipped.
if(NOT VELMORA_SANITIZE AND NOT VELMORA_FUZZ)
  add_test(NAME velmora_staged_install
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/staged_install_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_INSTALL_BINDIR}
      ${VELMORA_LIBRARY_DIR} ${CMAKE_INSTALL_DATADIR})
  set_tests_properties(velmora_staged_install PROPERTIES RUN_SERIAL TRUE TIMEOUT 300)
endif()

# `cpack -G DEB` in the build folder: one package with both programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Camera suite: still pictures, film roll and auto capture")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora developers <dev@velmora.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Mail goes to the desktop's mail program through xdg-email.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
include(CPack)
