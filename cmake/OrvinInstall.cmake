# Installing the library for other programs: its public headers under
# include/orvin (included as "chars/String.h"), the library (static, or
# shared with BUILD_SHARED_LIBS), a CMake package (find_package(orvin) gives
# orvin::orvin) and orvin.pc. Headers in an internal/ folder stay private.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVIN_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/orvin)
set(ORVIN_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/orvin)
set(ORVIN_PACKAGE_DIR ${PROJECT_BINARY_DIR}/orvin-package)
target_include_directories(orvin PUBLIC $<INSTALL_INTERFACE:${ORVIN_INSTALL_INCLUDEDIR}>)
# The headers need C++20 of whoever includes them.
target_compile_features(orvin PUBLIC cxx_std_20)

foreach(layer IN LISTS ORVIN_LAYERS)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
    ${PROJECT_SOURCE_DIR}/${layer}/*.h)
  list(FILTER headers EXCLUDE REGEX "/internal/")
  foreach(header IN LISTS headers)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${ORVIN_INSTALL_INCLUDEDIR}/${folder})
  endforeach()
endforeach()

install(TARGETS orvin EXPORT orvinTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT orvinTargets NAMESPACE orvin:: DESTINATION ${ORVIN_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/orvinConfig.cmake.in
  ${ORVIN_PACKAGE_DIR}/orvinConfig.cmake INSTALL_DESTINATION ${ORVIN_INSTALL_CMAKEDIR})
write_basic_package_version_file(${ORVIN_PACKAGE_DIR}/orvinConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${ORVIN_PACKAGE_DIR}/orvinConfig.cmake
              ${ORVIN_PACKAGE_DIR}/orvinConfigVersion.cmake
        DESTINATION ${ORVIN_INSTALL_CMAKEDIR})

# orvin.pc finds the prefix from its own place, so that the tree can be
# installed anywhere (cmake --install --prefix) and still be right.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  set(ORVIN_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  set(ORVIN_PC_PREFIX "\${pcfiledir}/..")
  string(REPLACE "/" ";" libdir_parts "${CMAKE_INSTALL_LIBDIR}")
  foreach(part IN LISTS libdir_parts)
    if(part)
      string(APPEND ORVIN_PC_PREFIX "/..")
    endif()
  endforeach()
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/orvin.pc.in ${ORVIN_PACKAGE_DIR}/orvin.pc @ONLY)
install(FILES ${ORVIN_PACKAGE_DIR}/orvin.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
