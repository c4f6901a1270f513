# SQLite: Debian's library on the native build; on Windows the
# amalgamation, fetched once into the build folder from a pinned npm
# tarball. npm only names the tarball's address; CMake downloads it, checks
# it against the pinned hash and unpacks it (package/deps/sqlite3/).
if(NOT NC_WINDOWS)
  find_package(SQLite3 REQUIRED)
  add_library(nc_sqlite INTERFACE)
  target_link_libraries(nc_sqlite INTERFACE SQLite::SQLite3)
  return()
endif()

set(NC_SQLITE_PACKAGE "better-sqlite3@12.11.1")
set(NC_SQLITE_SHA256 "ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835")
set(NC_SQLITE_DIR ${CMAKE_BINARY_DIR}/_deps/sqlite)
set(NC_SQLITE_SOURCE ${NC_SQLITE_DIR}/package/deps/sqlite3/sqlite3.c)

if(NOT EXISTS ${NC_SQLITE_SOURCE})
  find_program(NPM npm REQUIRED)
  execute_process(COMMAND ${NPM} view ${NC_SQLITE_PACKAGE} dist.tarball
    RESULT_VARIABLE rc OUTPUT_VARIABLE url ERROR_VARIABLE err
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0 OR NOT url MATCHES "^https?://[^ \n]+\\.tgz$")
    message(FATAL_ERROR "npm view ${NC_SQLITE_PACKAGE} dist.tarball gave no tarball address "
      "(exit ${rc}): ${url} ${err}")
  endif()
  message(STATUS "Fetching the SQLite amalgamation (${NC_SQLITE_PACKAGE}) from ${url}")
  # A download whose hash differs stops the configuration before anything
  # is extracted.
  include(FetchContent)
  FetchContent_Declare(nc_sqlite_amalgamation
    URL ${url}
    URL_HASH SHA256=${NC_SQLITE_SHA256}
    TLS_VERIFY ON
    SOURCE_DIR ${NC_SQLITE_DIR}/package)
  FetchContent_GetProperties(nc_sqlite_amalgamation)
  if(NOT nc_sqlite_amalgamation_POPULATED)
    FetchContent_Populate(nc_sqlite_amalgamation)
  endif()
endif()

add_library(nc_sqlite_lib STATIC ${NC_SQLITE_SOURCE})
target_compile_definitions(nc_sqlite_lib PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(nc_sqlite_lib PRIVATE -O2 -w)
target_include_directories(nc_sqlite_lib PUBLIC ${NC_SQLITE_DIR}/package/deps/sqlite3)
add_library(nc_sqlite INTERFACE)
target_link_libraries(nc_sqlite INTERFACE nc_sqlite_lib)
