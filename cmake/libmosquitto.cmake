# libmosquitto, the MQTT client library, as the static target velmar_mosquitto. Cross-compiled,
# it is built from Debian's source package without TLS and without its own threads (our network
# thread drives it); the source is fetched once into VELMAR_DEPS_DIR, which outlives the build
# trees of the presets. On Windows itself, a static libmosquitto is looked for.
if(NOT CMAKE_CROSSCOMPILING)
  find_path(MOSQUITTO_INCLUDE_DIR mosquitto.h REQUIRED)
  find_library(MOSQUITTO_LIBRARY NAMES mosquitto_static mosquitto REQUIRED)
  add_library(velmar_mosquitto STATIC IMPORTED GLOBAL)
  set_target_properties(velmar_mosquitto PROPERTIES
    IMPORTED_LOCATION ${MOSQUITTO_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MOSQUITTO_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS LIBMOSQUITTO_STATIC
    INTERFACE_LINK_LIBRARIES ws2_32)
  return()
endif()

include(ExternalProject)

set(VELMAR_DEPS_DIR ${CMAKE_SOURCE_DIR}/build/deps CACHE PATH "Fetched third-party sources, kept across rebuilds")
set(mosquitto_source ${VELMAR_DEPS_DIR}/mosquitto)
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-debian-source.sh mosquitto ${mosquitto_source}
                RESULT_VARIABLE fetched)
if(NOT fetched EQUAL 0)
  message(FATAL_ERROR "Could not fetch Debian's mosquitto source package")
endif()

set(mosquitto_binary ${CMAKE_BINARY_DIR}/libmosquitto)
set(mosquitto_library ${mosquitto_binary}/lib/${CMAKE_STATIC_LIBRARY_PREFIX}mosquitto_static${CMAKE_STATIC_LIBRARY_SUFFIX})
ExternalProject_Add(libmosquitto_build
  SOURCE_DIR ${mosquitto_source}
  BINARY_DIR ${mosquitto_binary}
  PREFIX ${mosquitto_binary}/external
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DWITH_TLS=OFF -DWITH_TLS_PSK=OFF -DWITH_EC=OFF -DWITH_THREADING=OFF -DWITH_SOCKS=OFF
    -DWITH_STATIC_LIBRARIES=ON -DWITH_LIB_CPP=OFF -DWITH_CJSON=OFF
    -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF -DWITH_PLUGINS=OFF -DDOCUMENTATION=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target libmosquitto_static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${mosquitto_library})

add_library(velmar_mosquitto STATIC IMPORTED GLOBAL)
set_target_properties(velmar_mosquitto PROPERTIES
  IMPORTED_LOCATION ${mosquitto_library}
  INTERFACE_INCLUDE_DIRECTORIES ${mosquitto_source}/include
  INTERFACE_COMPILE_DEFINITIONS LIBMOSQUITTO_STATIC
  INTERFACE_LINK_LIBRARIES ws2_32)
add_dependencies(velmar_mosquitto libmosquitto_build)
