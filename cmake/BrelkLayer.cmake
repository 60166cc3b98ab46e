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
# SUBFOLDERS takes the sources of its sub-folders too, for a layer whose
# tests follow its sub-libraries or feature folders; every folder that holds
# a header is on the include path, so a test includes a fixture by file name
# wherever it lives. LABEL puts its tests under a ctest label of their own;
# TIMEOUT bounds each test (seconds).
function(brelk_test_folder name dir)
  cmake_parse_arguments(T "SUBFOLDERS" "LABEL;TIMEOUT" "LINKS" ${ARGN})
  if(T_SUBFOLDERS)
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  endif()
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  set(header_dirs)
  foreach(src ${srcs})
    if(src MATCHES "\\.h$")
      get_filename_component(header_dir ${src} DIRECTORY)
      list(APPEND header_dirs ${header_dir})
    endif()
  endforeach()
  if(header_dirs)
    list(REMOVE_DUPLICATES header_dirs)
    target_include_directories(${name} PRIVATE ${header_dirs})
  endif()
  target_link_libraries(${name} PRIVATE ${T_LINKS} GTest::gmock GTest::gtest_main)
  # One variable only: the discovery passes the properties on as a list, and
  # a semicolon inside a value would split it into stray property names.
  # (A test that skips, GTEST_SKIP with its reason, shows as skipped.)
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABEL)
    list(APPEND props LABELS ${T_LABEL})
  endif()
  if(T_TIMEOUT)
    list(APPEND props TIMEOUT ${T_TIMEOUT})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${props}
    DISCOVERY_TIMEOUT 30)
endfunction()
