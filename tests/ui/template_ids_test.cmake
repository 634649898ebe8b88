# Runs tarn-template-ids the way the build does, on templates that must stop
# the build and on the shipped ones, which must give the header.
#   cmake -DGENERATOR=<program> -DDATA=<this folder's template_ids>
#         -DTEMPLATES=<resources/templates> -DWORK=<scratch folder> -P template_ids_test.cmake

# Each case: the message expected on stderr, then the files given.
set(broken_cases
  "unclosed_quote.txt:3: unclosed quote|unclosed_quote.txt"
  "bad_kind.txt:2: bad word 'kind'|bad_kind.txt"
  "no_dialog.txt: no dialog statement|no_dialog.txt"
  "template_108.txt: dialog id 109 does not match the name|template_108.txt"
  "name_b.txt: kIdShared is 4 here but 3 in .*name_a.txt|name_a.txt,name_b.txt"
  "menu_5.txt:3: item needs an id and a text|menu_5.txt")

set(failures 0)
set(header "${WORK}/control_ids.h")
foreach(case IN LISTS broken_cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 expected)
  list(GET fields 1 names)
  string(REPLACE "," ";" names "${names}")
  set(files "")
  foreach(name IN LISTS names)
    list(APPEND files "${DATA}/${name}")
  endforeach()
  file(REMOVE "${header}")
  execute_process(COMMAND "${GENERATOR}" "${header}" ${files}
                  RESULT_VARIABLE result ERROR_VARIABLE message)
  if(result EQUAL 0 OR NOT message MATCHES "${expected}" OR EXISTS "${header}")
    message(SEND_ERROR "${names}: exit ${result}, said '${message}', expected '${expected}'")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

file(GLOB shipped "${TEMPLATES}/*.txt")
file(REMOVE "${header}")
execute_process(COMMAND "${GENERATOR}" "${header}" ${shipped}
                RESULT_VARIABLE result ERROR_VARIABLE message)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "shipped templates refused: ${message}")
endif()
file(READ "${header}" text)
foreach(line "inline constexpr int kIdRead = 1007;" "inline constexpr int kFirstSlotEdit = 1011;"
             "inline constexpr int kTemplateReadZero = 166;" "inline constexpr int kIdMenuAbout = 40021;")
  string(FIND "${text}" "${line}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the header lacks '${line}'")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} broken template(s) not refused as expected")
endif()
