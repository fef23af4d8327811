# Installs the build into a scratch prefix and checks what the desktop reads from it: the desktop
# entry, the software-centre description, the MIME package and the icons, with the desktop's own
# validators. Run by CTest: cmake -DBUILD=<build dir> -DID=<desktop id> -DMIME=<type>
#   -DSIZES=16;32;... -P check-desktop-files.cmake
foreach(var BUILD ID MIME SIZES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check-desktop-files: ${var} is not set")
  endif()
endforeach()

set(prefix "${BUILD}/desktop-check/prefix")
file(REMOVE_RECURSE "${BUILD}/desktop-check")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${prefix}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed:\n${out}")
endif()

set(share "${prefix}/share")
set(entry "${share}/applications/${ID}.desktop")
set(metainfo "${share}/metainfo/${ID}.metainfo.xml")
set(mimexml "${share}/mime/packages/${ID}.xml")
foreach(f "${entry}" "${metainfo}" "${mimexml}" "${prefix}/bin/reelpane")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

function(run_checker)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}):\n${out}")
  endif()
  # desktop-file-validate reports errors with status 0 in some versions; its text tells.
  if(out MATCHES "error:")
    message(FATAL_ERROR "${ARGN} reported errors:\n${out}")
  endif()
  message(STATUS "${ARGN}: ok ${out}")
endfunction()

foreach(tool desktop-file-validate appstreamcli xmllint)
  find_program(_${tool} ${tool})
  if(NOT _${tool})
    message(FATAL_ERROR "${tool} is missing: run scripts/install-deps.sh")
  endif()
endforeach()
run_checker(${_desktop-file-validate} "${entry}")
run_checker(${_appstreamcli} validate --no-net "${metainfo}")
run_checker(${_xmllint} --noout "${mimexml}")

# The entry and the MIME package name the same type, the entry's icon is the installed one and
# the entry starts the installed program with the clicked file.
file(READ "${entry}" desktop)
if(NOT desktop MATCHES "\nMimeType=${MIME};")
  message(FATAL_ERROR "the desktop entry does not open ${MIME}")
endif()
if(NOT desktop MATCHES "\nIcon=${ID}\n" OR NOT desktop MATCHES "\nExec=reelpane %F\n")
  message(FATAL_ERROR "the desktop entry's icon or command is not the program's")
endif()
file(READ "${mimexml}" mime)
if(NOT mime MATCHES "type=\"${MIME}\"" OR NOT mime MATCHES "pattern=\"\\*\\.qvs\"")
  message(FATAL_ERROR "the MIME package does not give *.qvs the type ${MIME}")
endif()

# Installed straight into a prefix, the MIME database there was brought up to date: the show
# files' pattern is in it.
if(EXISTS "${share}/mime/globs2")
  file(READ "${share}/mime/globs2" globs)
  if(NOT globs MATCHES "${MIME}:\\*\\.qvs")
    message(FATAL_ERROR "the MIME database was not updated with *.qvs")
  endif()
endif()

# One PNG per size, of that size (the width and height of the IHDR chunk).
foreach(size ${SIZES})
  set(png "${share}/icons/hicolor/${size}x${size}/apps/${ID}.png")
  if(NOT EXISTS "${png}")
    message(FATAL_ERROR "no ${size}x${size} icon: ${png}")
  endif()
  file(READ "${png}" head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 32 8 w)
  string(SUBSTRING "${head}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL size OR NOT h EQUAL size)
    message(FATAL_ERROR "${png} is not a ${size}x${size} PNG (${w}x${h})")
  endif()
endforeach()
message(STATUS "desktop files: ok")
