# Builds every rewritten literal twice: the original spelling with g++ -fexec-charset=CP932 and
# the escaped spelling with clang; the two programs must print the same bytes.
# Variables: PYTHON, SCRIPT, GXX, CLANGXX, WORK, SOURCES (list), STAMP.
set(dir ${WORK}/literal-check)
file(MAKE_DIRECTORY ${dir})
foreach(variant original escaped)
  set(flag)
  if(variant STREQUAL escaped)
    set(flag --escaped)
  endif()
  execute_process(COMMAND ${PYTHON} ${SCRIPT} ${flag} --table ${dir}/${variant}.cpp ${SOURCES}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "escape-literals.py --table failed")
  endif()
endforeach()
execute_process(COMMAND ${GXX} -std=c++20 -finput-charset=UTF-8 -fexec-charset=CP932
                        -Wno-multichar ${dir}/original.cpp -o ${dir}/original
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "g++ could not build the original literals")
endif()
execute_process(COMMAND ${CLANGXX} -std=c++20 -Wno-multichar ${dir}/escaped.cpp -o ${dir}/escaped
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "clang could not build the escaped literals")
endif()
execute_process(COMMAND ${dir}/original OUTPUT_VARIABLE want RESULT_VARIABLE rc1)
execute_process(COMMAND ${dir}/escaped OUTPUT_VARIABLE got RESULT_VARIABLE rc2)
if(NOT rc1 EQUAL 0 OR NOT rc2 EQUAL 0 OR NOT want STREQUAL got)
  file(WRITE ${dir}/original.txt "${want}")
  file(WRITE ${dir}/escaped.txt "${got}")
  message(FATAL_ERROR "escaped literals differ from g++'s bytes: compare ${dir}/original.txt "
                      "and ${dir}/escaped.txt")
endif()
string(REGEX MATCHALL "\n" lines "${want}")
list(LENGTH lines count)
file(WRITE ${STAMP} "${count} literals checked\n")
message(STATUS "${count} escaped literals hold g++'s bytes")
