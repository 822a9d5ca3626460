# The browser build (configured with emcmake): the same sim/, gfx/, app/, shell and replay
# sources over the web backend in platform/web/. Builds the page (index.html, page.js,
# page.css, sparkler.js, sparkler.wasm, the two sounds as Opus and AAC, and the waves, the
# manifest with its icons, the service worker, the <sparkler-scene> element and the npm
# package's package.json) and
# sparkler-replay.js for node.
# Needs a native build of this tree (SPARKLER_NATIVE_BUILD): its bake_font bakes the help font
# from the native font path, its pack_picture packs the background, and its sparkler-replay is
# what the web tests compare against.
set(SPARKLER_NATIVE_BUILD "" CACHE PATH "A native build of this tree (with tools/bake_font, tools/pack_picture and sparkler-replay)")
if(NOT EXISTS "${SPARKLER_NATIVE_BUILD}/tools/bake_font" OR NOT EXISTS "${SPARKLER_NATIVE_BUILD}/tools/pack_picture")
  message(FATAL_ERROR "SPARKLER_NATIVE_BUILD must name a native build of this tree with tools/bake_font and tools/pack_picture built")
endif()
set(SPARKLER_PICTURE_PACKER ${SPARKLER_NATIVE_BUILD}/tools/pack_picture)
set(web_dir ${PROJECT_SOURCE_DIR}/platform/web)

# stb and CLI11 are header-only Debian packages under /usr/include, which the browser compiler
# does not search; it is shown those two folders alone.
set(web_include ${PROJECT_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${web_include})
file(CREATE_LINK /usr/include/stb ${web_include}/stb SYMBOLIC)
file(CREATE_LINK /usr/include/CLI ${web_include}/CLI SYMBOLIC)

set(baked_font ${PROJECT_BINARY_DIR}/BakedFont.cpp)
add_custom_command(
  OUTPUT ${baked_font}
  COMMAND ${SPARKLER_NATIVE_BUILD}/tools/bake_font ${baked_font}
  DEPENDS ${SPARKLER_NATIVE_BUILD}/tools/bake_font
  COMMENT "Baking the help font"
  VERBATIM)

set(platform_sources
  AtomicFile.cpp PngWriter.cpp ProcessGuards.cpp VideoWriter.cpp WaveWriter.cpp GlyphAtlas.cpp posix/SystemCalls.cpp posix/ProcessSignals.cpp
  headless/HeadlessDisplay.cpp headless/HeadlessWindow.cpp headless/HeadlessMouse.cpp
  web/AudioDevice.cpp web/BitmapLoader.cpp web/Font.cpp web/PackedPicture.cpp web/StbImage.cpp web/SoundLoader.cpp
  web/SoundPerformance.cpp
  web/SoundSegment.cpp web/WebAudio.cpp web/WebClock.cpp web/WebDisplay.cpp web/WebKeyCodes.cpp web/RafPacer.cpp)
list(TRANSFORM platform_sources PREPEND ${PROJECT_SOURCE_DIR}/platform/)
add_library(sparkler_platform STATIC ${platform_sources} ${baked_font})
target_include_directories(sparkler_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_include_directories(sparkler_platform SYSTEM PUBLIC ${web_include})
sparkler_warnings(sparkler_platform)
# The sound classes' private fields are the native backend's handles; the browser's keeps
# fewer of them, and clang would name each one it leaves unused.
target_compile_options(sparkler_platform PRIVATE -Wno-unused-private-field)

add_subdirectory(assets)
add_library(sparkler_core STATIC)
add_subdirectory(sim)
add_subdirectory(gfx)
add_subdirectory(app)
target_include_directories(sparkler_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(sparkler_core PUBLIC sparkler_platform sparkler_images)
sparkler_warnings(sparkler_core)

add_subdirectory(session)
set(replay_dir ${PROJECT_SOURCE_DIR}/replay)
add_library(sparkler_replay STATIC ${replay_dir}/ProgressLine.cpp ${replay_dir}/Replay.cpp)
target_link_libraries(sparkler_replay PUBLIC sparkler_session)
sparkler_warnings(sparkler_replay)

# The replay for node: the native tool's options and output. Only its option parsing throws,
# so only it is built with exceptions; the files it names are the host's (NODERAWFS).
add_executable(sparkler-replay ${replay_dir}/ReplayMain.cpp)
target_link_libraries(sparkler-replay PRIVATE sparkler_replay)
target_compile_options(sparkler-replay PRIVATE -fexceptions)
target_compile_definitions(sparkler-replay PRIVATE SPARKLER_VERSION="${PROJECT_VERSION}")
target_link_options(sparkler-replay PRIVATE -fexceptions -sNODERAWFS=1 -sENVIRONMENT=node -sEXIT_RUNTIME=1
                    -sALLOW_MEMORY_GROWTH=1 -sWASM_ASYNC_COMPILATION=0)
set_target_properties(sparkler-replay PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
sparkler_warnings(sparkler-replay)

# The page's program.
add_executable(sparkler ${PROJECT_SOURCE_DIR}/shell/WebMain.cpp)
target_link_libraries(sparkler PRIVATE sparkler_session)
# The page reads and writes no files (its pictures are embedded, its sounds fetched by the
# page), so the runtime's file system is left out: two thirds of sparkler.js, and its set-up
# before the first frame.
target_link_options(sparkler PRIVATE -sENVIRONMENT=web,worker -sALLOW_MEMORY_GROWTH=1 -sFILESYSTEM=0
  "-sEXPORTED_FUNCTIONS=_main,_sparkler_start,_sparkler_start_run,_sparkler_stop,_sparkler_frame,_sparkler_key,_sparkler_mouse,_sparkler_focus,_sparkler_passes,_sparkler_write,_sparkler_origin,_sparkler_prepare"
  "-sEXPORTED_RUNTIME_METHODS=ccall" "SHELL:--pre-js ${web_dir}/audio.js" "SHELL:--pre-js ${web_dir}/screen.js")
set_target_properties(sparkler PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
                      LINK_DEPENDS "${web_dir}/audio.js;${web_dir}/screen.js")
sparkler_warnings(sparkler)

foreach(file index.html page.js page.css manifest.webmanifest sparkler-scene.js audio.js)
  configure_file(${web_dir}/${file} ${PROJECT_BINARY_DIR}/${file} COPYONLY)
endforeach()
# The program's own thread (where the browser can hand it the canvas): its part and the
# program's glue in one script.
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/sparkler-worker.js
  COMMAND ${CMAKE_COMMAND} -DWORKER=${web_dir}/worker.js -DGLUE=${PROJECT_BINARY_DIR}/sparkler.js
          -DOUT=${PROJECT_BINARY_DIR}/sparkler-worker.js -P ${PROJECT_SOURCE_DIR}/cmake/WebWorkerScript.cmake
  DEPENDS sparkler ${web_dir}/worker.js ${PROJECT_SOURCE_DIR}/cmake/WebWorkerScript.cmake
  COMMENT "Writing the program's worker script"
  VERBATIM)
# The folder is also an npm package: the <sparkler-scene> element with the page it holds.
configure_file(${web_dir}/package.json.in ${PROJECT_BINARY_DIR}/package.json @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE COPYONLY)
# Installable and offline: the manifest's icons (and the tab's), and the service worker that
# keeps the page's files in a cache named by their hash, written once the program is linked.
set(offline_files index.html page.js page.css sparkler.js sparkler.wasm manifest.webmanifest sparkler-worker.js audio.js)
foreach(size 32 192 512)
  configure_file(${PROJECT_SOURCE_DIR}/assets/icons/sparkler-${size}.png ${PROJECT_BINARY_DIR}/sparkler-${size}.png COPYONLY)
  list(APPEND offline_files sparkler-${size}.png)
endforeach()
set(offline_paths ${offline_files})
list(TRANSFORM offline_paths PREPEND ${PROJECT_BINARY_DIR}/)
list(REMOVE_ITEM offline_paths ${PROJECT_BINARY_DIR}/sparkler.js ${PROJECT_BINARY_DIR}/sparkler.wasm)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/service-worker.js
  COMMAND ${CMAKE_COMMAND} -DFOLDER=${PROJECT_BINARY_DIR} "-DFILES=${offline_files}"
          -DTEMPLATE=${web_dir}/service-worker.js -DOUT=${PROJECT_BINARY_DIR}/service-worker.js
          -P ${PROJECT_SOURCE_DIR}/cmake/WebOffline.cmake
  DEPENDS sparkler ${offline_paths} ${web_dir}/service-worker.js ${PROJECT_SOURCE_DIR}/cmake/WebOffline.cmake
  COMMENT "Writing the page's service worker"
  VERBATIM)
add_custom_target(web_offline ALL DEPENDS ${PROJECT_BINARY_DIR}/service-worker.js)
# The page loads the sounds compressed, after its first frame: Opus in WebM, and AAC in MP4
# for browsers that cannot decode Opus, both encoded here with Debian's ffmpeg. The waves stay
# beside them (the sound tests measure them).
find_program(SPARKLER_FFMPEG ffmpeg REQUIRED)
set(web_sounds)
foreach(wave Sparkler BackgroundSound)
  configure_file(${PROJECT_SOURCE_DIR}/assets/${wave}.wav ${PROJECT_BINARY_DIR}/${wave}.wav COPYONLY)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/${wave}.webm ${PROJECT_BINARY_DIR}/${wave}.m4a
    COMMAND ${SPARKLER_FFMPEG} -v error -y -i ${PROJECT_SOURCE_DIR}/assets/${wave}.wav -map_metadata -1
            -c:a libopus -b:a 64k -f webm ${PROJECT_BINARY_DIR}/${wave}.webm
    COMMAND ${SPARKLER_FFMPEG} -v error -y -i ${PROJECT_SOURCE_DIR}/assets/${wave}.wav -map_metadata -1
            -c:a aac -b:a 96k -movflags +faststart -f mp4 ${PROJECT_BINARY_DIR}/${wave}.m4a
    DEPENDS ${PROJECT_SOURCE_DIR}/assets/${wave}.wav
    COMMENT "Encoding ${wave} as Opus and AAC"
    VERBATIM)
  list(APPEND web_sounds ${PROJECT_BINARY_DIR}/${wave}.webm ${PROJECT_BINARY_DIR}/${wave}.m4a)
endforeach()
add_custom_target(web_sounds ALL DEPENDS ${web_sounds})

if(SPARKLER_TESTS)
  enable_testing()
  add_subdirectory(tests/web)
endif()
