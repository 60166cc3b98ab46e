# One static library per layer. Sources are every .cpp/.h in the layer's folder
# (not its subfolders); the folder is the layer's public include path, so a
# target sees only the headers of the layers it links.
function(brelk_layer name dir)
  cmake_parse_arguments(L "" "EXCLUDE" "LINKS;PRIVATE_LINKS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  file(GLOB cpps CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(L_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${L_EXCLUDE}")
    list(FILTER cpps EXCLUDE REGEX "${L_EXCLUDE}")
  endif()
  if(NOT cpps)
    # A layer that holds nothing yet still takes its place in the graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${dir})
    target_link_libraries(${name} INTERFACE ${L_LINKS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${dir})
  target_link_libraries(${name} PUBLIC ${L_LINKS} PRIVATE ${L_PRIVATE_LINKS})
endfunction()

# A GoogleTest executable from every .cpp in a test folder.
function(brelk_test_folder name dir)
  cmake_parse_arguments(T "" "" "LINKS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${T_LINKS} GTest::gmock GTest::gtest_main)
  # A test that cannot run here (GTEST_SKIP, with its reason) shows as skipped.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;BRELK_TEST=1"
               SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
    DISCOVERY_TIMEOUT 30)
endfunction()
