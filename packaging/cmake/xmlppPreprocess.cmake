# xmlpp_preprocess(OUTPUT out INPUT in [MACROS name=value ...] [DOCTYPE text]
#                  [XHTML] [WERROR])
#
# Adds a custom command that makes OUTPUT from INPUT with xmlpp-check, which
# also writes OUTPUT.d, a dependency file naming every file the run read:
# editing any of them (an include that only the given macros select, say)
# makes OUTPUT again. A relative INPUT is taken from the current source
# folder, a relative OUTPUT goes to the current binary folder. MACROS are
# the items of xmlpp's macro list (values without ';'); DOCTYPE replaces the
# output's DOCTYPE (default mode); XHTML selects the -xhtml mode; WERROR
# makes every warning fail the build. Like any custom command it runs when
# a target depends on OUTPUT, as in
#   add_custom_target(pages ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/out.xml)

# A function runs with the policies in force where it is defined, not those
# of the project that calls it: the ones it needs are set here, whatever the
# caller's cmake_minimum_required (CMP0116: Ninja reads the dependency file
# relative to the build folder).
cmake_policy(PUSH)
cmake_policy(VERSION 3.20)

function(xmlpp_preprocess)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "XHTML;WERROR" "OUTPUT;INPUT;DOCTYPE" "MACROS")
  if(NOT ARG_OUTPUT OR NOT ARG_INPUT OR ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "xmlpp_preprocess(OUTPUT out INPUT in [MACROS name=value ...] [DOCTYPE text] [XHTML] "
                        "[WERROR]): unexpected arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(ARG_XHTML AND DEFINED ARG_DOCTYPE)
    message(FATAL_ERROR "xmlpp_preprocess: DOCTYPE is for the default mode, not XHTML")
  endif()
  get_filename_component(input "${ARG_INPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${ARG_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(folder "${output}" DIRECTORY)
  set(options --depfile "${output}.d")
  if(ARG_WERROR)
    list(APPEND options --werror)
  endif()
  set(mode)
  if(ARG_XHTML)
    set(mode -xhtml)
  endif()
  # The macro list is one argument whose items are separated by ';', which
  # a CMake list would split into arguments.
  string(REPLACE ";" "$<SEMICOLON>" macros "${ARG_MACROS}")
  set(rest)
  if(DEFINED ARG_DOCTYPE)
    if(macros STREQUAL "")
      set(macros "$<SEMICOLON>")  # an empty list, which keeps its place
    endif()
    set(rest "${macros}" "${ARG_DOCTYPE}")
  elseif(NOT macros STREQUAL "")
    set(rest "${macros}")
  endif()
  add_custom_command(OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
    COMMAND xmlpp::check ${options} -- ${mode} "${input}" "${output}" ${rest}
    DEPENDS "${input}" xmlpp::check
    DEPFILE "${output}.d"
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    COMMENT "Preprocessing ${ARG_INPUT}"
    VERBATIM)
endfunction()

cmake_policy(POP)
