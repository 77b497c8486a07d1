# SPDX-License-Identifier: Apache-2.0
# ridev_cups_config(VAR OPTION FALLBACK): sets VAR to what `cups-config
# OPTION` prints (for example --serverbin), or to FALLBACK when cups-config
# is missing, fails or prints nothing.
find_program(CUPS_CONFIG_EXECUTABLE cups-config DOC "CUPS build configuration tool")

function(ridev_cups_config var option fallback)
  set(value "")
  if(CUPS_CONFIG_EXECUTABLE)
    execute_process(COMMAND ${CUPS_CONFIG_EXECUTABLE} ${option}
                    OUTPUT_VARIABLE value
                    OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      set(value "")
    endif()
  endif()
  if(NOT value)
    set(value "${fallback}")
  endif()
  set(${var} "${value}" PARENT_SCOPE)
endfunction()
