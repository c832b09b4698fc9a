# Brings each po/LANG.po in line with po/wendlock.pot (cmake -P).
foreach(language IN LISTS LANGUAGES)
  execute_process(
    COMMAND ${MSGMERGE} --quiet --update --backup=none --no-fuzzy-matching
            ${PO_DIR}/${language}.po ${PO_DIR}/wendlock.pot
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "msgmerge failed for ${language}.po")
  endif()
endforeach()
