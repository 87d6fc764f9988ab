# Writes a delay-import library for one system DLL from MinGW's own import library:
#   cmake -DNM=<nm> -DDLLTOOL=<dlltool> -DIMPORT_LIB=<libx.a> -DDLL=<x.dll> -DOUT=<libx-delay.a>
#         [-DI686=ON] -P DelayImport.cmake
# The exports are the import library's "__imp_" symbols. On i686 C names carry a leading
# underscore, which the definition file leaves out, and stdcall names keep their "@n" suffix
# for linking while the DLL is asked for the plain name (--kill-at).
execute_process(COMMAND ${NM} -g ${IMPORT_LIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIB}")
endif()
string(REGEX MATCHALL "I __imp_[^\r\n]+" imports "${symbols}")
set(def "LIBRARY ${DLL}\nEXPORTS\n")
foreach(import ${imports})
  string(REGEX REPLACE "^I __imp_" "" name "${import}")
  if(I686)
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  string(APPEND def "  ${name}\n")
endforeach()
if(NOT imports)
  message(FATAL_ERROR "no exports found in ${IMPORT_LIB}")
endif()
string(REGEX REPLACE "\\.a$" ".def" def_file "${OUT}")
file(WRITE ${def_file} "${def}")
set(kill_at "")
if(I686)
  set(kill_at --kill-at)
endif()
execute_process(COMMAND ${DLLTOOL} --input-def ${def_file} --dllname ${DLL} ${kill_at}
                        --output-delaylib ${OUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} could not write ${OUT}")
endif()
