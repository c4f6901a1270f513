# SQLite: Debian's library on the native build; on Windows the
# amalgamation, fetched once into the build folder from a pinned npm
# tarball and checked against its hash.
if(NOT NC_WINDOWS)
  find_package(SQLite3 REQUIRED)
  add_library(nc_sqlite INTERFACE)
  target_link_libraries(nc_sqlite INTERFACE SQLite::SQLite3)
  return()
endif()

set(NC_SQLITE_PACKAGE "better-sqlite3@12.11.1")
set(NC_SQLITE_DIR ${CMAKE_BINARY_DIR}/_deps/sqlite)
set(NC_SQLITE_SOURCE ${NC_SQLITE_DIR}/package/deps/sqlite3/sqlite3.c)
set(NC_SQLITE_SHA256 "ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835")
set(NC_SQLITE_TARBALL ${NC_SQLITE_DIR}/better-sqlite3-12.11.1.tgz)

if(NOT EXISTS ${NC_SQLITE_SOURCE})
  file(MAKE_DIRECTORY ${NC_SQLITE_DIR})
  if(NOT EXISTS ${NC_SQLITE_TARBALL})
    find_program(NPM npm REQUIRED)
    message(STATUS "Fetching the SQLite amalgamation (${NC_SQLITE_PACKAGE})")
    execute_process(COMMAND ${NPM} pack ${NC_SQLITE_PACKAGE} --silent
      WORKING_DIRECTORY ${NC_SQLITE_DIR} RESULT_VARIABLE rc OUTPUT_QUIET)
    if(NOT rc EQUAL 0 OR NOT EXISTS ${NC_SQLITE_TARBALL})
      message(FATAL_ERROR "npm pack ${NC_SQLITE_PACKAGE} failed")
    endif()
  endif()
  file(SHA256 ${NC_SQLITE_TARBALL} got)
  if(NOT got STREQUAL NC_SQLITE_SHA256)
    file(REMOVE ${NC_SQLITE_TARBALL})
    message(FATAL_ERROR "SQLite tarball hash mismatch: ${got}")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${NC_SQLITE_TARBALL} DESTINATION ${NC_SQLITE_DIR}
    PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
endif()

add_library(nc_sqlite_lib STATIC ${NC_SQLITE_SOURCE})
target_compile_definitions(nc_sqlite_lib PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(nc_sqlite_lib PRIVATE -O2 -w)
target_include_directories(nc_sqlite_lib PUBLIC ${NC_SQLITE_DIR}/package/deps/sqlite3)
add_library(nc_sqlite INTERFACE)
target_link_libraries(nc_sqlite INTERFACE nc_sqlite_lib)
