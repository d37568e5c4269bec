# The browser build: the same sources compiled with emscripten for WebGL2.
# Configure with emcmake (scripts/web.sh does it all); the run-time folder
# comes from a desktop build's asset generator (ORBISK_WEB_RUN_DIR).
set(ORBISK_WEB_RUN_DIR "${CMAKE_SOURCE_DIR}/build/run" CACHE PATH "Run-time folder packaged with the page")

file(GLOB ORBISK_WEB_SOURCES CONFIGURE_DEPENDS
  base/*.cpp platform/*.cpp loaders/*.cpp gpu/*.cpp scene/*.cpp render/*.cpp cli/*.cpp app/*.cpp)
list(REMOVE_ITEM ORBISK_WEB_SOURCES ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_SOURCE_DIR}/app/main_web.cpp)
list(APPEND ORBISK_WEB_SOURCES app/main_web.cpp web/devilshim.cpp web/classicrand.cpp)

# ERFA's C sources from Debian's source package (scripts/webcommon.sh
# fetches them into the web build folder): the sky the desktop computes.
set(ORBISK_ERFA_SOURCE_DIR "${CMAKE_BINARY_DIR}/erfa/source" CACHE PATH "ERFA's unpacked source package")
if(NOT EXISTS "${ORBISK_ERFA_SOURCE_DIR}/src/erfa.h")
  message(FATAL_ERROR "ERFA's sources are not in ${ORBISK_ERFA_SOURCE_DIR}: scripts/web.sh fetches them "
                      "(apt-get source erfa), or point ORBISK_ERFA_SOURCE_DIR at an unpacked erfa source package")
endif()
file(GLOB ORBISK_ERFA_SOURCES "${ORBISK_ERFA_SOURCE_DIR}/src/*.c")
# The test programs have a main of their own; the version file needs autoconf's config.h.
list(FILTER ORBISK_ERFA_SOURCES EXCLUDE REGEX "/(t_[^/]*|erfaversion)\\.c$")
add_library(erfa STATIC ${ORBISK_ERFA_SOURCES})
target_include_directories(erfa PUBLIC "${ORBISK_ERFA_SOURCE_DIR}/src")

add_executable(orbisk ${ORBISK_WEB_SOURCES})
target_link_libraries(orbisk PRIVATE erfa)
set_target_properties(orbisk PROPERTIES SUFFIX ".js")
target_include_directories(orbisk PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/web/include)
# glm and CLI11 come from Debian's headers; -I/usr/include would put the
# host's C library ahead of emscripten's.
# Exceptions on: the command-line parser and the standard library report
# refused input by throwing, and without catching a throw ends the page.
target_compile_options(orbisk PRIVATE -idirafter /usr/include -Wall -Wextra -Wno-unused-parameter -fexceptions)
target_compile_definitions(orbisk PRIVATE GLM_FORCE_CXX17)
target_link_options(orbisk PRIVATE
  -fexceptions
  -sUSE_GLFW=3 -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB -sEXIT_RUNTIME=0
  -sEXPORTED_FUNCTIONS=_main,_orbisk_resize,_orbisk_turn,_orbisk_wheel,_orbisk_key,_orbisk_save_picture,_orbisk_pause,_orbisk_scene_time,_orbisk_context_lost,_orbisk_context_restored
  -sEXPORTED_RUNTIME_METHODS=callMain,FS
  -sINVOKE_RUN=0
  --js-library ${CMAKE_SOURCE_DIR}/web/library_orbisk.js
  --preload-file ${ORBISK_WEB_RUN_DIR}@/
  --exclude-file ${ORBISK_WEB_RUN_DIR}/*.png)
set_property(TARGET orbisk APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/web/library_orbisk.js)
# The linker's JavaScript tools need Debian's node modules (acorn).
set_property(TARGET orbisk PROPERTY CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)

# The page, beside orbisk.js, orbisk.wasm and orbisk.data.
set(ORBISK_PAGE_FILES)
foreach(name index.html page.js)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/web/${name} ${CMAKE_BINARY_DIR}/${name}
    DEPENDS ${CMAKE_SOURCE_DIR}/web/${name} VERBATIM)
  list(APPEND ORBISK_PAGE_FILES ${CMAKE_BINARY_DIR}/${name})
endforeach()
add_custom_target(page ALL DEPENDS ${ORBISK_PAGE_FILES})
