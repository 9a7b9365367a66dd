# nlohmann/json, header-only, from Debian's nlohmann-json3-dev. The cross compiler gets a folder
# of its own that holds only that library's headers: the host's /usr/include would shadow the
# mingw-w64 C library.
add_library(velmar_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
  set(json_headers ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${json_headers})
  file(CREATE_LINK /usr/include/nlohmann ${json_headers}/nlohmann SYMBOLIC)
  target_include_directories(velmar_json SYSTEM INTERFACE ${json_headers})
else()
  find_package(nlohmann_json 3 REQUIRED)
  target_link_libraries(velmar_json INTERFACE nlohmann_json::nlohmann_json)
endif()
