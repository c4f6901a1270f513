# Packages of the Windows builds: for each architecture a portable zip, an
# NSIS installer and the program's debug sections, and a SHA256SUMS file
# over this version's files (cmake/make_packages.cmake).
#   nc_package_arch  the packages of this build's architecture
#   package          the packages of both architectures (the other one is
#                    built by its own preset, win64 or i686)
# Files go to NC_PACKAGE_DIR (build/packages beside the preset folders).

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(NC_PACKAGE_ARCH win64)
  set(NC_OTHER_PRESET i686)
else()
  set(NC_PACKAGE_ARCH win32)
  set(NC_OTHER_PRESET win64)
endif()
get_filename_component(NC_DEFAULT_PACKAGE_DIR ${CMAKE_BINARY_DIR}/../packages ABSOLUTE)
set(NC_PACKAGE_DIR ${NC_DEFAULT_PACKAGE_DIR} CACHE PATH "Where the package target puts the packages")

set(NC_PACKAGE_NAME NorvikCleaner-${PROJECT_VERSION}-${NC_PACKAGE_ARCH})
set(NC_STAGE ${CMAKE_BINARY_DIR}/package/${NC_PACKAGE_NAME})
set(NC_ZIP ${NC_PACKAGE_DIR}/${NC_PACKAGE_NAME}.zip)
set(NC_SETUP ${NC_PACKAGE_DIR}/${NC_PACKAGE_NAME}-setup.exe)

# The program's files: the program, the shipped data files, the read-me and
# the licence. The installer names each one, so that the uninstaller
# removes exactly these and nothing of the user's.
file(GLOB NC_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
set(NC_PROGRAM_FILES NorvikCleaner.exe ReadMe.txt License.txt)
foreach(file IN LISTS NC_DATA_FILES)
  get_filename_component(name ${file} NAME)
  list(APPEND NC_PROGRAM_FILES ${name})
endforeach()
set(nsh "!macro InstallProgramFiles\n")
foreach(name IN LISTS NC_PROGRAM_FILES)
  string(APPEND nsh "  File \"${NC_STAGE}/${name}\"\n")
endforeach()
string(APPEND nsh "!macroend\n!macro RemoveProgramFiles\n")
foreach(name IN LISTS NC_PROGRAM_FILES)
  string(APPEND nsh "  Delete \"$INSTDIR\\${name}\"\n")
endforeach()
string(APPEND nsh "!macroend\n")
file(WRITE ${CMAKE_BINARY_DIR}/package/files.nsh "${nsh}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/ReadMe.txt.in ${CMAKE_BINARY_DIR}/package/ReadMe.txt @ONLY)

find_program(NC_MAKENSIS makensis)
add_custom_target(nc_package_arch
  COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:NorvikCleaner> "-DDATA_FILES=${NC_DATA_FILES}"
          -DREADME=${CMAKE_BINARY_DIR}/package/ReadMe.txt
          -DLICENSE=${CMAKE_SOURCE_DIR}/packaging/LICENSE.txt -DSTAGE=${NC_STAGE}
          -DPACKAGE_DIR=${NC_PACKAGE_DIR} -DPACKAGE_NAME=${NC_PACKAGE_NAME}
          -DVERSION=${PROJECT_VERSION} -DARCH=${NC_PACKAGE_ARCH} -DOBJCOPY=${CMAKE_OBJCOPY}
          -DMAKENSIS=${NC_MAKENSIS} -DSCRIPT=${CMAKE_SOURCE_DIR}/packaging/NorvikCleaner.nsi
          -DFILES=${CMAKE_BINARY_DIR}/package/files.nsh -DSIGN=${CMAKE_SOURCE_DIR}/scripts/sign.sh
          -P ${CMAKE_SOURCE_DIR}/cmake/make_packages.cmake
  DEPENDS NorvikCleaner
  COMMENT "Packages of ${NC_PACKAGE_NAME} in ${NC_PACKAGE_DIR}"
  VERBATIM)

add_custom_target(package
  COMMAND ${CMAKE_COMMAND} --preset ${NC_OTHER_PRESET}
  COMMAND ${CMAKE_COMMAND} --build --preset ${NC_OTHER_PRESET} --target nc_package_arch
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  COMMENT "Packages of the ${NC_OTHER_PRESET} build"
  VERBATIM USES_TERMINAL)
add_dependencies(package nc_package_arch)
