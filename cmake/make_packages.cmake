# Makes the packages of one architecture. Called by the nc_package_arch
# target (cmake/packages.cmake) with:
#   EXE          the program as built
#   DATA_FILES   the shipped data files (a list)
#   README LICENSE  the read-me (configured) and the licence
#   STAGE        the folder the package's files are laid out in
#   PACKAGE_DIR PACKAGE_NAME VERSION ARCH
#   OBJCOPY MAKENSIS SCRIPT FILES   the tools, the installer script and its
#                file list
#   SIGN         the signing script (scripts/sign.sh)
#
# The packaged program carries no debug sections; they go into
# <PACKAGE_NAME>.debug beside the packages, which the program names by a
# debug link. Text files get Windows line ends. When NC_SIGN_CERT and
# NC_SIGN_KEY name a certificate and its key, the program, the uninstaller
# and the installer are signed (scripts/sign.sh); otherwise the step says
# that it does not sign. SHA256SUMS lists the files of this version.

foreach(var EXE README LICENSE STAGE PACKAGE_DIR PACKAGE_NAME VERSION ARCH OBJCOPY SCRIPT FILES
            SIGN)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "make_packages: ${var} is not set")
  endif()
endforeach()
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis not found: install nsis (scripts/deps.sh)")
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " text)
    message(FATAL_ERROR "failed (${rc}): ${text}")
  endif()
endfunction()

# Copies a text file with CRLF line ends, whatever the source has.
function(copy_as_windows_text from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${to} "${text}")
endfunction()

set(signing OFF)
if(DEFINED ENV{NC_SIGN_CERT} AND DEFINED ENV{NC_SIGN_KEY} AND NOT "$ENV{NC_SIGN_CERT}" STREQUAL ""
   AND NOT "$ENV{NC_SIGN_KEY}" STREQUAL "")
  set(signing ON)
  message(STATUS "Signing the ${ARCH} packages with $ENV{NC_SIGN_CERT}")
else()
  message(STATUS "NOT signing the ${ARCH} packages: NC_SIGN_CERT and NC_SIGN_KEY are not set")
endif()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE} ${PACKAGE_DIR})

# The program without its debug sections, and those sections on their own.
set(debug_file ${PACKAGE_DIR}/${PACKAGE_NAME}.debug)
set(program ${STAGE}/NorvikCleaner.exe)
run(${OBJCOPY} --only-keep-debug ${EXE} ${debug_file})
run(${OBJCOPY} --strip-debug --strip-unneeded ${EXE} ${program})
get_filename_component(debug_dir ${debug_file} DIRECTORY)
get_filename_component(debug_name ${debug_file} NAME)
run(${CMAKE_COMMAND} -E chdir ${debug_dir} ${OBJCOPY} --add-gnu-debuglink=${debug_name} ${program})
if(signing)
  run(bash ${SIGN} ${program})
endif()

foreach(file IN LISTS DATA_FILES)
  file(COPY ${file} DESTINATION ${STAGE})
endforeach()
copy_as_windows_text(${README} ${STAGE}/ReadMe.txt)
copy_as_windows_text(${LICENSE} ${STAGE}/License.txt)

set(zip ${PACKAGE_DIR}/${PACKAGE_NAME}.zip)
file(REMOVE ${zip})
get_filename_component(stage_parent ${STAGE} DIRECTORY)
run(${CMAKE_COMMAND} -E chdir ${stage_parent} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
    ${PACKAGE_NAME})

set(size 0)
file(GLOB staged ${STAGE}/*)
foreach(file IN LISTS staged)
  file(SIZE ${file} bytes)
  math(EXPR size "${size} + ${bytes}")
endforeach()
math(EXPR size_kb "(${size} + 1023) / 1024")
set(setup ${PACKAGE_DIR}/${PACKAGE_NAME}-setup.exe)
set(sign_uninstaller)
if(signing)
  set(sign_uninstaller "-DSIGN_UNINSTALLER=bash \"${SIGN}\"")
endif()
run(${MAKENSIS} -V2 -DVERSION=${VERSION} -DARCH=${ARCH} -DSTAGE=${STAGE} -DFILES=${FILES}
    -DOUTFILE=${setup} -DSIZE_KB=${size_kb} ${sign_uninstaller} ${SCRIPT})
if(signing)
  run(bash ${SIGN} ${setup})
endif()

# The sums of this version's files, whichever architectures are there.
file(GLOB packages RELATIVE ${PACKAGE_DIR} ${PACKAGE_DIR}/NorvikCleaner-${VERSION}-*)
list(SORT packages)
set(sums "")
foreach(name IN LISTS packages)
  file(SHA256 ${PACKAGE_DIR}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${PACKAGE_DIR}/SHA256SUMS "${sums}")
