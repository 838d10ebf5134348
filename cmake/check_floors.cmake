# Refuses an include of a floor above the includer's own:
#   cmake -DSRC=<src folder> -P check_floors.cmake
# Each floor (a folder of src/) may include the floors listed for it; main.cpp and folders
# not listed here may include any. Only quoted includes whose first part names a floor
# are checked.
set(allowed_base base)
set(allowed_xbase base xbase)
set(allowed_console base console)
set(allowed_store base xbase console store)
set(allowed_session ${allowed_store} session)
set(allowed_documents ${allowed_session} documents)
set(allowed_settlements ${allowed_documents} settlements)
set(allowed_invoicing ${allowed_settlements} invoicing)
set(allowed_catalogues ${allowed_settlements} catalogues)
set(allowed_reports ${allowed_settlements} reports)
set(allowed_maintenance ${allowed_settlements} maintenance)
set(allowed_orders ${allowed_settlements} invoicing catalogues orders)
set(allowed_shell ${allowed_settlements} invoicing catalogues reports maintenance orders shell)
set(floors base xbase console store session documents settlements invoicing catalogues reports maintenance orders
  shell)

if(NOT SRC)
  message(FATAL_ERROR "check_floors: SRC not given")
endif()
set(bad "")
foreach(floor IN LISTS floors)
  file(GLOB_RECURSE files ${SRC}/${floor}/*.h ${SRC}/${floor}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z_]+)/.*" "\\1" target "${line}")
      list(FIND floors ${target} is_floor)
      list(FIND allowed_${floor} ${target} is_allowed)
      if(is_floor GREATER -1 AND is_allowed EQUAL -1)
        file(RELATIVE_PATH rel ${SRC} ${file})
        string(APPEND bad "  ${rel}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "An include reaches a floor above its own "
    "(base -> xbase | console -> store -> session -> documents -> settlements -> invoicing | catalogues | reports | maintenance -> orders -> shell):\n${bad}")
endif()
