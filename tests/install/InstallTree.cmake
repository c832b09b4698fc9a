# cmake -P: installs BUILD_DIR into WORK/prefix and checks what is there.
set(prefix ${WORK}/prefix)
if(SHARED)
  set(ORVIN_LIBRARY ${LIBDIR}/liborvin.so.${SOVERSION})
else()
  set(ORVIN_LIBRARY ${LIBDIR}/liborvin.a)
endif()
file(REMOVE_RECURSE ${WORK})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(expected
    ${BINDIR}/wendlock
    ${MANDIR}/man1/wendlock.1
    "${DATADIR}/wendlock/Read Me.pdf"
    ${LOCALEDIR}/de/LC_MESSAGES/wendlock.mo
    ${LOCALEDIR}/de/LC_MESSAGES/orvin.mo
    ${DATADIR}/applications/wendlock.desktop
    ${DATADIR}/icons/hicolor/scalable/apps/wendlock.svg
    ${INCLUDEDIR}/orvin/chars/String.h
    ${INCLUDEDIR}/orvin/support/Date.h
    ${ORVIN_LIBRARY}
    ${LIBDIR}/cmake/orvin/orvinConfig.cmake
    ${LIBDIR}/cmake/orvin/orvinConfigVersion.cmake
    ${LIBDIR}/cmake/orvin/orvinTargets.cmake
    ${LIBDIR}/pkgconfig/orvin.pc)
if(GTK)
  list(APPEND expected ${LIBDIR}/wendlock/wendlock-gtk.so)
endif()
if(BLUEZ)
  list(APPEND expected ${LIBDIR}/wendlock/wendlock-bluez.so)
endif()
foreach(file IN LISTS expected)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
# The desktop entry names an icon of ours and opens text files (the first
# value of each key is the main group's, which comes first).
file(READ ${prefix}/${DATADIR}/applications/wendlock.desktop entry)
foreach(key Icon Exec MimeType)
  string(REGEX MATCH "\n${key}=([^\n]*)" line "${entry}")
  set(${key} "${CMAKE_MATCH_1}")
endforeach()
if(NOT EXISTS "${prefix}/${DATADIR}/icons/hicolor/scalable/apps/${Icon}.svg"
   OR NOT MimeType MATCHES "(^|;)text/plain;" OR NOT Exec MATCHES " %f$")
  message(FATAL_ERROR "the desktop entry cannot open a text file with its own icon:\n${entry}")
endif()
file(GLOB_RECURSE private RELATIVE ${prefix} ${prefix}/${INCLUDEDIR}/*)
list(FILTER private EXCLUDE REGEX "^${INCLUDEDIR}/orvin/(chars|strings|paths|support)/([a-z]+/)?[^/]+\\.h$")
file(GLOB_RECURSE internal RELATIVE ${prefix} ${prefix}/${INCLUDEDIR}/orvin/*/internal/*)
if(private OR internal)
  message(FATAL_ERROR "installed beside the library's public headers: ${private} ${internal}")
endif()
# The shared library exports the public API and nothing of its internals.
if(SHARED)
  run("nm" nm -DC --defined-only ${prefix}/${ORVIN_LIBRARY})
  if(NOT out MATCHES "orvin::stringWithFormat")
    message(FATAL_ERROR "liborvin.so does not export its API")
  endif()
  if(out MATCHES "orvin::(detail|testhooks)::")
    message(FATAL_ERROR "liborvin.so exports internals:\n${out}")
  endif()
endif()

# The installed program, started as the desktop entry starts it on a file,
# reads that file and finds its catalogue from where it stands.
file(WRITE ${WORK}/empty.txt "")
string(REPLACE "%f" "${WORK}/empty.txt" command "${Exec}")
separate_arguments(command UNIX_COMMAND "${command}")
list(POP_FRONT command program)
execute_process(
  COMMAND env -u DISPLAY -u WAYLAND_DISPLAY -u WENDLOCK_RESOURCES LANGUAGE=de LC_ALL=C.UTF-8
          setsid -w ${prefix}/${BINDIR}/${program} --ui=tty ${command}
  ERROR_VARIABLE alert OUTPUT_QUIET)
if(NOT alert MATCHES "Keine Daten zum Senden")
  message(FATAL_ERROR "the installed wendlock did not read the file in German: ${alert}")
endif()

# The installed program finds its desktop module: asked for windows without
# a display, it gets as far as the display.
if(GTK)
  execute_process(
    COMMAND env -u DISPLAY -u WAYLAND_DISPLAY -u WENDLOCK_MODULE_DIR
            ${prefix}/${BINDIR}/wendlock --ui=gtk --text=x
    ERROR_VARIABLE refusal OUTPUT_QUIET)
  if(NOT refusal MATCHES "--ui=gtk: no display")
    message(FATAL_ERROR "the installed wendlock did not find its desktop module: ${refusal}")
  endif()
endif()

# A consumer through the CMake package.
set(flags_option "")
if(CXX_FLAGS)
  set(flags_option "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
endif()
run("configuring the find_package consumer" ${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/consumer
    -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} ${flags_option})
run("building the find_package consumer" ${CMAKE_COMMAND} --build ${WORK}/consumer)
run("running the find_package consumer" ${WORK}/consumer/consumer)
if(NOT out STREQUAL "orvin 2 caseless\n")
  message(FATAL_ERROR "the find_package consumer said: ${out}")
endif()

# The same consumer through pkg-config.
run("pkg-config" ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
    ${PKG_CONFIG} --cflags --libs orvin)
separate_arguments(pc_flags UNIX_COMMAND "${out}")
separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS}")
run("building the pkg-config consumer" ${CXX} -std=c++20 ${extra} ${CONSUMER}/main.cpp ${pc_flags}
    -Wl,-rpath,${prefix}/${LIBDIR} -o ${WORK}/pc-consumer)
run("running the pkg-config consumer" ${WORK}/pc-consumer)
if(NOT out STREQUAL "orvin 2 caseless\n")
  message(FATAL_ERROR "the pkg-config consumer said: ${out}")
endif()
