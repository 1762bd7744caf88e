# rollvane_install_configured(TEMPLATE DESTINATION [PROGRAMS])
#   Installs TEMPLATE (its name without ".in") with @CMAKE_INSTALL_PREFIX@, @CMAKE_INSTALL_LIBDIR@,
#   @CMAKE_INSTALL_FULL_BINDIR@ and the like taken from the prefix given at install time, so
#   "cmake --install --prefix P" and CPack's staging both get files naming where they really are
#   instead of the prefix the build was configured with.
function(rollvane_install_configured template destination)
  cmake_parse_arguments(C "PROGRAMS" "" "" ${ARGN})
  get_filename_component(name ${template} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  set(type FILE)
  if(C_PROGRAMS)
    set(type PROGRAM)
  endif()
  set(staged ${CMAKE_CURRENT_BINARY_DIR}/at-install/${name})
  set(code "")
  foreach(dir BINDIR LIBDIR LIBEXECDIR INCLUDEDIR DATADIR MANDIR)
    string(APPEND code "set(CMAKE_INSTALL_${dir} \"${CMAKE_INSTALL_${dir}}\")\n"
                       "set(CMAKE_INSTALL_FULL_${dir} \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_${dir}}\")\n")
  endforeach()
  install(CODE "${code}
    configure_file(\"${template}\" \"${staged}\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${destination}\" TYPE ${type} FILES \"${staged}\")")
endfunction()
