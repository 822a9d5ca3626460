# The Windows build (cross-compiled with MinGW-w64, see cmake/MinGW-w64.cmake): the same sim/,
# gfx/, app/ core and front doors over the Windows backend in platform/win32/, linked
# statically so that the programs need nothing but Windows' own DLLs. Builds sparkler.exe
# (the program) and sparkler-replay.exe (a console program). Needs a native build of this tree
# (SPARKLER_NATIVE_BUILD): its bake_font bakes the replay's help font, so that its frames hash
# as natively, and its sparkler-replay is what the Windows tests compare against.
set(SPARKLER_NATIVE_BUILD "" CACHE PATH "A native build of this tree (with tools/bake_font and sparkler-replay)")
if(NOT EXISTS "${SPARKLER_NATIVE_BUILD}/tools/bake_font")
  message(FATAL_ERROR "SPARKLER_NATIVE_BUILD must name a native build of this tree with tools/bake_font built")
endif()
set(src ${PROJECT_SOURCE_DIR})

# stb and CLI11 are header-only Debian packages under /usr/include, which the cross compiler
# does not search; it is shown those two folders alone.
set(win_include ${PROJECT_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${win_include})
file(CREATE_LINK /usr/include/stb ${win_include}/stb SYMBOLIC)
file(CREATE_LINK /usr/include/CLI ${win_include}/CLI SYMBOLIC)

# Nothing but the system's DLLs: the C++ runtime, its threads and libgcc go inside the program.
add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE _WIN32_WINNT=0x0601)

set(platform_sources
  AtomicFile.cpp MessageQueue.cpp OutputThread.cpp PngWriter.cpp ProcessGuards.cpp ScreenshotFile.cpp TabbedColumns.cpp VideoWriter.cpp WaveWriter.cpp GlyphAtlas.cpp
  headless/HeadlessDisplay.cpp headless/HeadlessWindow.cpp headless/HeadlessMouse.cpp
  web/BitmapLoader.cpp web/PackedPicture.cpp web/StbImage.cpp
  win32/SystemCalls.cpp win32/ProcessSignals.cpp win32/AudioDevice.cpp win32/DirectSoundVoices.cpp
  win32/SoundLoader.cpp win32/SoundPerformance.cpp win32/SoundSegment.cpp
  win32/Win32Clock.cpp win32/Win32Display.cpp win32/Win32Mouse.cpp win32/Win32Window.cpp win32/WideText.cpp)
list(TRANSFORM platform_sources PREPEND ${src}/platform/)
add_library(sparkler_platform STATIC ${platform_sources})
target_include_directories(sparkler_platform PUBLIC ${src})
target_include_directories(sparkler_platform SYSTEM PUBLIC ${win_include})
target_link_libraries(sparkler_platform PUBLIC dsound dxguid ole32 shell32 uuid winmm gdi32 user32)
sparkler_warnings(sparkler_platform)

# The help font baked from the native font, as the browser build has it: the replay's frames
# then hash the same as the native replay's.
set(baked_font ${PROJECT_BINARY_DIR}/BakedFont.cpp)
add_custom_command(
  OUTPUT ${baked_font}
  COMMAND ${SPARKLER_NATIVE_BUILD}/tools/bake_font ${baked_font}
  DEPENDS ${SPARKLER_NATIVE_BUILD}/tools/bake_font
  COMMENT "Baking the help font"
  VERBATIM)
add_library(sparkler_baked_font OBJECT ${src}/platform/web/Font.cpp ${baked_font})
target_link_libraries(sparkler_baked_font PUBLIC sparkler_platform)
sparkler_warnings(sparkler_baked_font)

add_subdirectory(${src}/assets ${PROJECT_BINARY_DIR}/assets)
add_library(sparkler_core STATIC)
add_subdirectory(${src}/sim ${PROJECT_BINARY_DIR}/sim)
add_subdirectory(${src}/gfx ${PROJECT_BINARY_DIR}/gfx)
add_subdirectory(${src}/app ${PROJECT_BINARY_DIR}/app)
target_include_directories(sparkler_core PUBLIC ${src})
target_link_libraries(sparkler_core PUBLIC sparkler_platform sparkler_images)
sparkler_warnings(sparkler_core)

add_subdirectory(${src}/session ${PROJECT_BINARY_DIR}/session)
set(replay_dir ${src}/replay)
add_library(sparkler_replay STATIC ${replay_dir}/ProgressLine.cpp ${replay_dir}/Replay.cpp)
target_link_libraries(sparkler_replay PUBLIC sparkler_session)
sparkler_warnings(sparkler_replay)

# The icon and the version block, in each program.
set(SPARKLER_ICO ${PROJECT_BINARY_DIR}/sparkler.ico)
set(ico_sizes 16 24 32 48 64 256)
set(ico_args "")
set(ico_pngs "")
foreach(size ${ico_sizes})
  list(APPEND ico_args ${size}=${src}/assets/icons/sparkler-${size}.png)
  list(APPEND ico_pngs ${src}/assets/icons/sparkler-${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${SPARKLER_ICO}
  COMMAND bash ${src}/dist/windows/make-ico.sh ${SPARKLER_ICO} ${ico_args}
  DEPENDS ${ico_pngs} ${src}/dist/windows/make-ico.sh
  COMMENT "Making the Windows icon"
  VERBATIM)
function(sparkler_resources target description)
  set(SPARKLER_RC_NAME ${target})
  set(SPARKLER_RC_DESCRIPTION "${description}")
  set(rc ${PROJECT_BINARY_DIR}/${target}.rc)
  configure_file(${src}/dist/windows/sparkler.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${SPARKLER_ICO})
  target_sources(${target} PRIVATE ${rc})
endfunction()

add_executable(sparkler-replay ${replay_dir}/ReplayMain.cpp)
target_link_libraries(sparkler-replay PRIVATE sparkler_replay sparkler_baked_font)
target_compile_definitions(sparkler-replay PRIVATE SPARKLER_VERSION="${PROJECT_VERSION}")
set_target_properties(sparkler-replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
sparkler_resources(sparkler-replay "Sparkler replay: renders runs of the sparkler to traces and pictures")
sparkler_warnings(sparkler-replay)

# The program: a window program (no console of its own; its lines still reach a console or a
# pipe that started it).
add_library(sparkler_shell STATIC ${src}/shell/CommandLine.cpp ${src}/shell/RunSetup.cpp ${src}/shell/ScreensaverCommand.cpp)
target_link_libraries(sparkler_shell PUBLIC sparkler_session)
target_compile_definitions(sparkler_shell PRIVATE SPARKLER_VERSION="${PROJECT_VERSION}")
sparkler_warnings(sparkler_shell)
# The live program draws its help panel with GDI's Arial; the replay keeps the baked font.
add_library(sparkler_gdi_font OBJECT ${src}/platform/win32/Font.cpp)
target_link_libraries(sparkler_gdi_font PUBLIC sparkler_platform)
sparkler_warnings(sparkler_gdi_font)
add_executable(sparkler ${src}/shell/WinMain.cpp)
target_link_libraries(sparkler PRIVATE sparkler_shell sparkler_gdi_font)
target_link_options(sparkler PRIVATE -mwindows)
set_target_properties(sparkler PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
sparkler_resources(sparkler "Sparkler: a hand-held sparkler with smoke, carried by the mouse")
sparkler_warnings(sparkler)
# The screensaver is the same program under the name Windows looks for.
add_custom_command(TARGET sparkler POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:sparkler> ${PROJECT_BINARY_DIR}/sparkler.scr
  BYPRODUCTS ${PROJECT_BINARY_DIR}/sparkler.scr
  VERBATIM)

foreach(wave Sparkler.wav BackgroundSound.wav)
  configure_file(${src}/assets/${wave} ${PROJECT_BINARY_DIR}/${wave} COPYONLY)
endforeach()

# The packages, with every build: the zip and the NSIS installer of the programs, the
# screensaver, the sounds, README and licence (dist/windows/package.sh).
set(package_files sparkler.exe sparkler-replay.exe sparkler.scr Sparkler.wav BackgroundSound.wav)
set(package_zip ${PROJECT_BINARY_DIR}/sparkler-${PROJECT_VERSION}-windows-x64.zip)
set(package_installer ${PROJECT_BINARY_DIR}/sparkler-${PROJECT_VERSION}-setup.exe)
add_custom_command(
  OUTPUT ${package_zip} ${package_installer}
  COMMAND bash ${src}/dist/windows/package.sh ${PROJECT_BINARY_DIR} ${src} ${PROJECT_VERSION} ${package_files}
  DEPENDS sparkler sparkler-replay ${SPARKLER_ICO} ${src}/dist/windows/package.sh ${src}/dist/windows/sparkler.nsi
          ${src}/README.md ${src}/LICENSE ${PROJECT_BINARY_DIR}/Sparkler.wav ${PROJECT_BINARY_DIR}/BackgroundSound.wav
  COMMENT "Packing the zip and the installer"
  VERBATIM)
add_custom_target(windows_packages ALL DEPENDS ${package_zip} ${package_installer})

if(SPARKLER_TESTS)
  enable_testing()
  add_subdirectory(${src}/tests/windows ${PROJECT_BINARY_DIR}/tests/windows)
endif()

