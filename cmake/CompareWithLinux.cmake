# Runs the fixed benchmark job (80 kV, 20 x 20 cm at FSD 90 cm, 10^6 histories)
# through the Windows engines and merger (under the emulator) and through the
# Linux build's, and fails unless the result, uncertainty and merged files are
# byte for byte the same: the default run (each program takes the widest
# instruction set of the processor they share; AVX2 and AVX-512 give the same
# files), the default run pinned to SSE4 (no fused multiply-add), the scalar
# default run and the single-stream run.
#   cmake -DWINDOWS_WORK_DIR=... -DLINUX_WORK_DIR=... -DEMULATOR=... -DSPECTRUM=...
#         -DSCRATCH=... -P CompareWithLinux.cmake
foreach(var WINDOWS_WORK_DIR LINUX_WORK_DIR EMULATOR SPECTRUM SCRATCH)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE ${SCRATCH})
file(WRITE ${SCRATCH}/enter.txt "\n\n")
foreach(build windows linux)
    set(dir ${SCRATCH}/${build})
    file(MAKE_DIRECTORY ${dir})
    foreach(name ICRUSoft.dat Air.eac Ak2Sv.dat)
        file(COPY ${LINUX_WORK_DIR}/${name} DESTINATION ${dir})
    endforeach()
    file(COPY ${SPECTRUM} DESTINATION ${dir})
    file(WRITE ${dir}/FLname.txt "job.data\r\n")
endforeach()

set(runs "default" "sse4" "scalar" "single-stream")
set(arguments_default "")
set(arguments_sse4 --instruction-set sse4)
set(arguments_scalar --scalar)
set(arguments_single-stream --single-stream)
foreach(engine Quenro-11 Quenro-22)
    foreach(kind ${runs})
        foreach(build windows linux)
            set(dir ${SCRATCH}/${build})
            file(WRITE ${dir}/B2F.txt "2.259E-03\r\n90.0\r\n20.0\r\n20.0\r\n1.000E+06\r\njob.data\r\n")
            if(build STREQUAL "windows")
                set(run ${EMULATOR} ${WINDOWS_WORK_DIR}/${engine}.exe)
                set(merge ${EMULATOR} ${WINDOWS_WORK_DIR}/quenro-3.exe)
            else()
                set(run ${LINUX_WORK_DIR}/${engine})
                set(merge ${LINUX_WORK_DIR}/quenro-3)
            endif()
            execute_process(COMMAND ${run} ${arguments_${kind}} WORKING_DIRECTORY ${dir}
                            INPUT_FILE ${SCRATCH}/enter.txt OUTPUT_QUIET RESULT_VARIABLE status)
            if(NOT status EQUAL 0)
                message(FATAL_ERROR "${build} ${engine} (${kind} run) ended with ${status}")
            endif()
            execute_process(COMMAND ${merge} WORKING_DIRECTORY ${dir} OUTPUT_QUIET
                            RESULT_VARIABLE status)
            if(NOT status EQUAL 0)
                message(FATAL_ERROR "${build} quenro-3 ended with ${status}")
            endif()
        endforeach()
        foreach(name job.data job.data.unc F2B.dat)
            execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                                    ${SCRATCH}/windows/${name} ${SCRATCH}/linux/${name}
                            RESULT_VARIABLE differ)
            if(NOT differ EQUAL 0)
                message(FATAL_ERROR
                    "${engine} (${kind} run): ${name} of the Windows build differs from the Linux build's")
            endif()
            message(STATUS "${engine} (${kind} run): ${name} identical")
        endforeach()
    endforeach()
endforeach()
#file(REMOVE_RECURSE ${SCRATCH})
