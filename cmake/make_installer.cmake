# Runs makensis for one architecture and rewrites SHA256SUMS over every
# package in the package folder. Called by the nc_package_arch target.
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis not found: install nsis (scripts/deps.sh)")
endif()
set(size 0)
file(GLOB staged ${STAGE}/*)
foreach(file IN LISTS staged)
  file(SIZE ${file} bytes)
  math(EXPR size "${size} + ${bytes}")
endforeach()
math(EXPR size_kb "(${size} + 1023) / 1024")
execute_process(
  COMMAND ${MAKENSIS} -V2 -DVERSION=${VERSION} -DARCH=${ARCH} -DSTAGE=${STAGE} -DFILES=${FILES}
          -DOUTFILE=${OUTFILE} -DSIZE_KB=${size_kb} ${SCRIPT}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "makensis failed (${rc})")
endif()

file(GLOB packages RELATIVE ${PACKAGE_DIR} ${PACKAGE_DIR}/*.zip ${PACKAGE_DIR}/*-setup.exe)
list(SORT packages)
set(sums "")
foreach(name IN LISTS packages)
  file(SHA256 ${PACKAGE_DIR}/${name} hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE ${PACKAGE_DIR}/SHA256SUMS "${sums}")
