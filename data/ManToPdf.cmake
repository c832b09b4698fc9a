# groff -man -Tpdf INPUT > OUTPUT (cmake -P), never leaving a partial file.
execute_process(
  COMMAND ${GROFF} -man -Tpdf ${INPUT}
  OUTPUT_FILE ${OUTPUT}.part
  RESULT_VARIABLE result)
file(SIZE ${OUTPUT}.part size)
if(NOT result EQUAL 0 OR size EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "groff could not make ${OUTPUT}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
