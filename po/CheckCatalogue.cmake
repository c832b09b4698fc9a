# Fails when a text the sources look up has no translation in PO (cmake -P):
# extracts the texts into POT, then lets msgcmp compare.
execute_process(COMMAND ${XGETTEXT} ${OPTIONS} -o ${POT} --files-from=${SOURCES}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "xgettext failed")
endif()
execute_process(COMMAND ${MSGCMP} ${PO} ${POT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PO} lacks translations of the texts above")
endif()
