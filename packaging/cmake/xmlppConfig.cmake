# find_package(xmlpp CONFIG): the imported executables xmlpp::xmlpp and
# xmlpp::check (xmlpp-check), and the function xmlpp_preprocess.
if(CMAKE_VERSION VERSION_LESS 3.20)
  set(xmlpp_FOUND FALSE)
  set(xmlpp_NOT_FOUND_MESSAGE "xmlpp's package needs CMake 3.20 or later (dependency files of custom commands)")
  return()
endif()
include("${CMAKE_CURRENT_LIST_DIR}/xmlppTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/xmlppPreprocess.cmake")
