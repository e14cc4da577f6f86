# xmlpp_preprocess(OUTPUT out INPUT in [MACROS name=value ...] [DOCTYPE text]
#                  [XHTML] [WERROR] [KEEP_UNCHANGED ON|OFF]
#                  [CHECK_OPTIONS option ...])
#
# Adds a custom command that makes OUTPUT from INPUT with xmlpp-check, which
# also writes OUTPUT.d, a dependency file naming every file the run read:
# editing any of them (an include that only the given macros select, say)
# makes OUTPUT again. A relative INPUT is taken from the current source
# folder, a relative OUTPUT goes to the current binary folder. Each MACROS
# argument is one name=value item, taken byte for byte ('$(', '$', '#',
# quotes, backslashes, line feeds and, in the default mode, ';' included);
# generator expressions in it are evaluated. DOCTYPE replaces the output's
# DOCTYPE (default mode); XHTML selects the -xhtml mode; WERROR makes every
# warning fail the build; KEEP_UNCHANGED (ON unless given OFF) leaves an
# output whose bytes do not change as it is, so that nothing that depends
# on it is rebuilt; CHECK_OPTIONS go to xmlpp-check before "--". Like any
# custom command it runs when a target depends on OUTPUT, as in
#   add_custom_target(pages ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/out.xml)
#
# The macro list and the DOCTYPE do not go on the command line, where the
# build tool would read '$(NAME)' as its own variable and a line feed would
# end the command: they are written to files next to the output, one for
# each configuration (OUTPUT.macros, or OUTPUT.CONFIG.macros), which
# xmlpp-check reads (--macros-file, --doctype-file) and the command depends
# on.

# A function runs with the policies in force where it is defined, not those
# of the project that calls it: the ones it needs are set here, whatever the
# caller's cmake_minimum_required (CMP0116: Ninja reads the dependency file
# relative to the build folder).
cmake_policy(PUSH)
cmake_policy(VERSION 3.20)

# The path as a message shows it: relative to top, unless it lies outside.
function(_xmlpp_shown_path path top result)
  file(RELATIVE_PATH relative "${top}" "${path}")
  if(relative MATCHES "^\\.\\./")
    set(relative "${path}")
  endif()
  set(${result} "${relative}" PARENT_SCOPE)
endfunction()

# The -xhtml macro list has no escapes: an item that holds ';', or that has
# no '=' (which that mode ignores), is an error. The default mode's list
# escapes '\' and ';' with '\'.
function(_xmlpp_list_item item xhtml result)
  if(xhtml)
    if(item MATCHES ";" OR NOT item MATCHES "=")
      message(FATAL_ERROR "xmlpp_preprocess: the MACROS item '${item}' cannot go to the -xhtml mode, whose macro "
                          "list has no escapes: each item needs a '=', and a value cannot hold ';'")
    endif()
  else()
    string(REPLACE "\\" "\\\\" item "${item}")
    string(REPLACE ";" "\\;" item "${item}")
  endif()
  set(${result} "${item}" PARENT_SCOPE)
endfunction()

function(xmlpp_preprocess)
  set(flags XHTML WERROR)
  set(values OUTPUT INPUT DOCTYPE KEEP_UNCHANGED)
  set(lists MACROS CHECK_OPTIONS)
  set(keywords ${flags} ${values} ${lists})
  cmake_parse_arguments(PARSE_ARGV 0 ARG "${flags}" "${values}" "${lists}")
  if(NOT ARG_OUTPUT OR NOT ARG_INPUT OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "xmlpp_preprocess(OUTPUT out INPUT in [MACROS name=value ...] [DOCTYPE text] [XHTML] "
                        "[WERROR] [KEEP_UNCHANGED ON|OFF] [CHECK_OPTIONS option ...]): unexpected arguments "
                        "${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(ARG_XHTML AND DEFINED ARG_DOCTYPE)
    message(FATAL_ERROR "xmlpp_preprocess: DOCTYPE is for the default mode, not XHTML")
  endif()
  get_filename_component(input "${ARG_INPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${ARG_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(folder "${output}" DIRECTORY)
  set(config "$<$<NOT:$<STREQUAL:$<CONFIG>,>>:.$<CONFIG>>")

  # Each MACROS argument is read on its own: a CMake list would join an item
  # that ends in '\' with the next one.
  set(macros "")
  set(inMacros FALSE)
  math(EXPR last "${ARGC} - 1")
  foreach(index RANGE ${last})
    set(word "${ARGV${index}}")
    if(word IN_LIST keywords)
      string(COMPARE EQUAL "${word}" MACROS inMacros)
    elseif(inMacros AND NOT word STREQUAL "")
      _xmlpp_list_item("${word}" "${ARG_XHTML}" item)
      if(NOT macros STREQUAL "")
        string(APPEND macros ";")
      endif()
      string(APPEND macros "${item}")
    endif()
  endforeach()
  # A text file's last line ends in a line feed, which xmlpp-check drops.
  set(macroFile "${output}${config}.macros")
  file(GENERATE OUTPUT "${macroFile}" CONTENT "${macros}\n")
  set(options --depfile "${output}.d" --macros-file "${macroFile}")
  set(depends "${input}" xmlpp::check "${macroFile}")
  if(DEFINED ARG_DOCTYPE)
    set(doctypeFile "${output}${config}.doctype")
    file(GENERATE OUTPUT "${doctypeFile}" CONTENT "${ARG_DOCTYPE}\n")
    list(APPEND options --doctype-file "${doctypeFile}")
    list(APPEND depends "${doctypeFile}")
  endif()
  if(ARG_WERROR)
    list(APPEND options --werror)
  endif()
  if(NOT DEFINED ARG_KEEP_UNCHANGED OR ARG_KEEP_UNCHANGED)
    list(APPEND options --keep-unchanged)
  endif()
  set(mode)
  if(ARG_XHTML)
    set(mode -xhtml)
  endif()
  _xmlpp_shown_path("${output}" "${CMAKE_BINARY_DIR}" shownOutput)
  _xmlpp_shown_path("${input}" "${CMAKE_SOURCE_DIR}" shownInput)
  add_custom_command(OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
    COMMAND xmlpp::check ${options} ${ARG_CHECK_OPTIONS} -- ${mode} "${input}" "${output}"
    DEPENDS ${depends}
    DEPFILE "${output}.d"
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    COMMENT "Generating ${shownOutput} from ${shownInput}"
    VERBATIM)
endfunction()

cmake_policy(POP)
