# libmosquitto, the MQTT client library, as the static target velmar_mosquitto, with TLS through
# OpenSSL (libssl and libcrypto come with the target). Cross-compiled, both are built from
# Debian's source packages by scripts/cached-dependency.sh, once per machine, into a cache
# outside the clone: libmosquitto without its own threads (our network thread drives it),
# OpenSSL as static libraries only. On Windows itself, static libraries are looked for.
if(NOT CMAKE_CROSSCOMPILING)
  find_path(MOSQUITTO_INCLUDE_DIR mosquitto.h REQUIRED)
  find_library(MOSQUITTO_LIBRARY NAMES mosquitto_static mosquitto REQUIRED)
  set(OPENSSL_USE_STATIC_LIBS ON)
  find_package(OpenSSL REQUIRED)
  add_library(velmar_mosquitto STATIC IMPORTED GLOBAL)
  set_target_properties(velmar_mosquitto PROPERTIES
    IMPORTED_LOCATION ${MOSQUITTO_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${MOSQUITTO_INCLUDE_DIR}
    INTERFACE_COMPILE_DEFINITIONS LIBMOSQUITTO_STATIC
    INTERFACE_LINK_LIBRARIES "OpenSSL::SSL;OpenSSL::Crypto;ws2_32;crypt32")
  return()
endif()

# The folder (include/, lib/) of a dependency built for this compiler; built first if missing.
function(velmar_cached_dependency package folder)
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/cached-dependency.sh ${package}
                  OUTPUT_VARIABLE built OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed OR NOT EXISTS ${built}/.complete)
    message(FATAL_ERROR "Could not build Debian's ${package} source package for mingw-w64")
  endif()
  # A cache emptied by hand is built again at the next build.
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${built}/.complete)
  set(${folder} ${built} PARENT_SCOPE)
endfunction()

velmar_cached_dependency(openssl openssl_folder)
velmar_cached_dependency(mosquitto mosquitto_folder)
message(STATUS "OpenSSL: ${openssl_folder}")
message(STATUS "libmosquitto: ${mosquitto_folder}")

add_library(velmar_openssl_crypto STATIC IMPORTED GLOBAL)
set_target_properties(velmar_openssl_crypto PROPERTIES
  IMPORTED_LOCATION ${openssl_folder}/lib/libcrypto.a
  INTERFACE_INCLUDE_DIRECTORIES ${openssl_folder}/include
  INTERFACE_LINK_LIBRARIES "ws2_32;gdi32;crypt32;user32;bcrypt;advapi32")
add_library(velmar_openssl_ssl STATIC IMPORTED GLOBAL)
set_target_properties(velmar_openssl_ssl PROPERTIES
  IMPORTED_LOCATION ${openssl_folder}/lib/libssl.a
  INTERFACE_LINK_LIBRARIES velmar_openssl_crypto)

add_library(velmar_mosquitto STATIC IMPORTED GLOBAL)
set_target_properties(velmar_mosquitto PROPERTIES
  IMPORTED_LOCATION ${mosquitto_folder}/lib/libmosquitto.a
  INTERFACE_INCLUDE_DIRECTORIES ${mosquitto_folder}/include
  INTERFACE_COMPILE_DEFINITIONS LIBMOSQUITTO_STATIC
  INTERFACE_LINK_LIBRARIES "velmar_openssl_ssl;ws2_32")
