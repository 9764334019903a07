# Runs tools/make_data.py into OUT_DIR and compares every file it writes with
# the committed copy in DATA_DIR. PYTHONS lists interpreters separated by "|";
# the first one that has xraylib is used.
string(REPLACE "|" ";" candidates "${PYTHONS}")
set(python "")
foreach(candidate IN LISTS candidates)
    if(candidate AND EXISTS "${candidate}")
        execute_process(COMMAND "${candidate}" -c "import xraylib"
            RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
        if(status EQUAL 0)
            set(python "${candidate}")
            break()
        endif()
    endif()
endforeach()
if(NOT python)
    message("SKIPPED: no python3 with xraylib (Debian package python3-xraylib) was found")
    return()
endif()

file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND "${python}" "${GENERATOR}" "${OUT_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${GENERATOR} failed (${status})")
endif()

set(files Air.eac Ak2Sv.dat Aluminum.atc Copper.dat ICRUSoft.dat Tungsten.dat sdec_default.op)
file(GLOB written RELATIVE "${OUT_DIR}" "${OUT_DIR}/*")
list(SORT written)
if(NOT written STREQUAL files)
    message(FATAL_ERROR "the generator wrote ${written}, expected ${files}")
endif()
set(differing "")
foreach(name IN LISTS files)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
        "${DATA_DIR}/${name}" "${OUT_DIR}/${name}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        list(APPEND differing ${name})
    endif()
endforeach()
if(differing)
    message(FATAL_ERROR "regenerated files differ from the committed ones: ${differing}\n"
        "compare with: diff ${DATA_DIR}/<file> ${OUT_DIR}/<file>\n"
        "rewrite with: ${python} ${GENERATOR}")
endif()
message("all of ${files} reproduced byte for byte")
